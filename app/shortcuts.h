#pragma once
// The viewer's keyboard shortcuts: Ctrl+O load, Ctrl+S save, Ctrl+E export.
// GLUT-free, so the mapping is tested headless; the window side passes in
// GLUT's key and modifier bits (the values of mousemodes.h).
namespace shortcuts {

enum class Command { NoCommand, Load, Save, Export };

// key as GLUT reports it: with Ctrl held, X11 gives the control code
// (Ctrl+O is 15), some setups the letter itself; both count. Shift or Alt
// held with it makes another shortcut, none of these.
Command commandFor(unsigned char key, int modifiers);

} // namespace shortcuts
