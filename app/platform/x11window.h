#pragma once
// The viewer's main window as the window manager sees it: its class, its
// title, and its close button.
//
// GLUT handles a window manager's close request by destroying the window
// at once, with no say for the program. The requests are therefore taken
// out of GLUT's event stream as they arrive from the server and only noted
// here; the application asks whether unsaved changes may be lost, and then
// leaves the main loop itself or stays open.
#include <string>

namespace x11window {

// Starts taking the close requests of the window manager for the window
// xid (the main window; GLUT's context must be current). Once only.
// arrived, when given, runs as a request arrives, on the thread reading the
// display, from inside Xlib: it may call nothing of Xlib, but it can arm a
// GLUT timer, which GLUT would otherwise have no event to arm it for.
void interceptCloseRequests(unsigned long xid, void (*arrived)() = nullptr);

// Whether a close request came since the last call.
bool takeCloseRequest();

// The title in UTF-8, as both the old and the EWMH window-name properties
// hold it, so a title with a non-Latin-1 character shows right.
void setTitle(unsigned long xid, const std::string& title);

// WM_CLASS of the window xid. GLUT leaves it unset, and without it a
// desktop cannot tie the window to the menu entry it was started from (its
// icon and name in the task bar).
void setClass(unsigned long xid, const char* instance, const char* className);

// The smallest size the window manager lets the user give the window xid.
void setMinimumSize(unsigned long xid, int width, int height);

} // namespace x11window
