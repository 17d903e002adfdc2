#pragma once
#include "app/questions/confirmation.h"

// The viewer's yes-or-no question on X11: a modal GTK message dialog kept
// above the viewer's window, with "Cancel" (the default) and the go-ahead
// button. Escape or the dialog's own close button answer no, and so does a
// viewer without GTK (no display).
class GtkConfirmation : public Confirmation {
public:
    static constexpr const char* title = "Confirm";

    bool confirm(const std::string& question, const std::string& detail, const std::string& goAhead) override;

    // The viewer's X window, which owns the dialog; 0 for the focused one.
    void setOwnerWindow(unsigned long xid) { ownerWindow = xid; }

private:
    unsigned long ownerWindow = 0;
};
