#include "persistence/x11filedialogs.h"

#include "persistence/filedialogrequest.h"
#include "persistence/gtkfiledialog.h"

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

std::string X11FileDialogs::chooseOpenFile()
{
    return choose(false);
}

std::string X11FileDialogs::chooseImageFile()
{
    return choose(true, true);
}

std::string X11FileDialogs::choose(bool saving, bool image)
{
    if (!gtkFileDialogsAvailable()) return std::string();
    const std::string path = runGtkFileDialog(saving, dialogOwnerWindow(), lastFolder, image);
    // Scenes set the folder; an exported image goes wherever it was put.
    const std::string folder = image ? std::string() : folderOfPath(path);
    if (!folder.empty()) lastFolder = folder;
    return path;
}
