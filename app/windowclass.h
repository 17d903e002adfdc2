#pragma once
// The X window class of the viewer's window. GLUT leaves WM_CLASS unset, and
// without it a desktop cannot tie the window to the menu entry it was
// started from (its icon and name in the task bar).
namespace windowclass {

// Sets WM_CLASS of the window whose GL context is current to (instance,
// className). Does nothing where the context is not on an X window.
void labelCurrentWindow(const char* instance, const char* className);

} // namespace windowclass
