#pragma once
#include <string>

// The GTK 3 side of the viewer's file dialogs, behind plain functions: only
// gtkfiledialog.cpp includes GTK, and X11FileDialogs reaches it through here.

// Brings GTK up on the first call; false, now and for good, without a display.
bool gtkFileDialogsAvailable();

// The X window that a window manager reports as active, else the one with
// the input focus, else 0. Needs gtkFileDialogsAvailable() first.
unsigned long focusedX11Window();

// The client top-level window holding the X window xid: a GLUT subwindow or
// a focused child leads to the viewer's main window. 0 when xid is 0 or gone.
// Needs gtkFileDialogsAvailable() first.
unsigned long topLevelX11Window(unsigned long xid);

// Runs the save (or open) dialog, modal and transient for the X window
// ownerXid when that is not 0, until the user closes it. It opens in
// startFolder when that names a folder, else in the working folder. Returns
// the chosen path, or an empty one on cancel or when no dialog could be shown.
// image: the filters of an image export instead of the scene files'.
// suggested: a save dialog opens on that file, its name filled in.
std::string runGtkFileDialog(bool saving, unsigned long ownerXid, const std::string& startFolder = std::string(),
                             bool image = false, const std::string& suggested = std::string());
