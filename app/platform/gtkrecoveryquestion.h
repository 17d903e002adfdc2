#pragma once
#include "app/questions/recoveryquestion.h"

// The start-up question about recovery copies on X11: a modal GTK message
// dialog ("Recover unsaved work") kept above the viewer's window, with
// "Discard", "Not Now" and "Recover" (the default). Escape or the dialog's
// own close button is Not Now. Without GTK (no display) it answers Not Now:
// the copies stay for the next start.
class GtkRecoveryQuestion : public RecoveryQuestion {
public:
    static constexpr const char* title = "Recover unsaved work";

    Answer ask(const std::string& sceneName, const std::string& editedAt, int others) override;

    // The viewer's X window, which owns the dialog; 0 for the focused one.
    void setOwnerWindow(unsigned long xid) { ownerWindow = xid; }

private:
    unsigned long ownerWindow = 0;
};
