#pragma once
#include "persistence/commands/filechooser.h"

#include <string>

// The file dialogs of the viewer on X11: GTK 3 file choosers run inside the
// viewer's own process, modal and kept above the viewer's window.
//
// GTK comes up on the first dialog only. Where it cannot (no display), every
// dialog yields an empty path, as if the user had cancelled.
//
// The GTK calls live in persistence/dialogs/gtkfiledialog.cpp, the one file that
// includes GTK.
class X11FileDialogs : public FileChooser {
public:
    std::string chooseSaveFile() override;
    std::string chooseSaveFileAs(const std::string& suggested) override;
    std::string chooseOpenFile() override;
    std::string chooseImageFile() override;

    // The viewer's X window, which owns the dialogs; 0 lets the chooser fall
    // back to whichever window has the focus when a dialog opens.
    void setOwnerWindow(unsigned long xid) { ownerWindow = xid; }

    // The X window id the next dialog is made transient for: the top-level
    // window of the one the viewer gave, else of the active or focused X
    // window, else 0 for none.
    unsigned long dialogOwnerWindow() const;

    // The folder the next dialog opens in: that of the last file chosen in
    // either dialog, so the user goes on where the last scene was loaded or
    // saved. Empty until then: the working folder.
    const std::string& startFolder() const { return lastFolder; }
    void startNextInFolderOf(const std::string& scenePath) override;

private:
    std::string choose(bool saving, bool image = false, const std::string& suggested = std::string());

    unsigned long ownerWindow = 0;
    std::string lastFolder;
};
