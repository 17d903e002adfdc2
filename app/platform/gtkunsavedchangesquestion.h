#pragma once
#include "app/questions/unsavedchangesquestion.h"

// The viewer's question about unsaved changes on X11: a modal GTK message
// dialog ("Unsaved changes") kept above the viewer's window, with "Close
// without Saving", "Cancel" and "Save" (the default). Escape or the
// dialog's own close button cancel. Without GTK (no display) it answers
// Cancel: the viewer then stays open rather than lose the changes.
class GtkUnsavedChangesQuestion : public UnsavedChangesQuestion {
public:
    static constexpr const char* title = "Unsaved changes";

    Answer ask(const std::string& sceneName, Occasion occasion) override;

    // The viewer's X window, which owns the dialog; 0 for the focused one.
    void setOwnerWindow(unsigned long xid) { ownerWindow = xid; }

private:
    unsigned long ownerWindow = 0;
};
