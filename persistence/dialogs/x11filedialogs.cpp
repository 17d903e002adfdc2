#include "persistence/dialogs/x11filedialogs.h"

#include "persistence/commands/filedialogrequest.h"
#include "persistence/dialogs/gtkfiledialog.h"

#include <unistd.h>

unsigned long X11FileDialogs::dialogOwnerWindow() const
{
    if (!gtkFileDialogsAvailable()) return ownerWindow;
    // The id the viewer gave may be that of a subwindow, whichever drawable
    // was current: a window manager only honours a top-level owner.
    return topLevelX11Window(ownerWindow ? ownerWindow : focusedX11Window());
}

std::string X11FileDialogs::chooseSaveFile()
{
    return choose(true);
}

std::string X11FileDialogs::chooseSaveFileAs(const std::string& suggested)
{
    return choose(true, false, suggested);
}

std::string X11FileDialogs::chooseOpenFile()
{
    return choose(false);
}

std::string X11FileDialogs::chooseImageFile()
{
    return choose(true, true);
}

std::string X11FileDialogs::choose(bool saving, bool image, const std::string& suggested)
{
    if (!gtkFileDialogsAvailable()) return std::string();
    const std::string path = runGtkFileDialog(saving, dialogOwnerWindow(), lastFolder, image, suggested);
    // Scenes set the folder; an exported image goes wherever it was put.
    const std::string folder = image ? std::string() : folderOfPath(path);
    if (!folder.empty()) lastFolder = folder;
    return path;
}

void X11FileDialogs::startNextInFolderOf(const std::string& scenePath)
{
    std::string folder = folderOfPath(scenePath);
    if (folder.empty()) return;   // a bare name: the working folder, where dialogs start anyway
    // A relative folder is taken from the working folder now: the dialog
    // wants a whole path.
    if (folder[0] != '/') {
        char here[4096];
        if (!getcwd(here, sizeof here)) return;
        folder = std::string(here) + "/" + folder;
    }
    lastFolder = folder;
}
