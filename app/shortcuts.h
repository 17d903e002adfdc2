#pragma once
// The viewer's keyboard shortcuts: Ctrl+O load, Ctrl+S save, Ctrl+E export,
// Ctrl+Z undo, Ctrl+Shift+Z and Ctrl+Y redo, Ctrl+L opens and closes the
// layer tree, Ctrl+T the tile preview, Ctrl+C copy, Ctrl+X cut, Ctrl+V
// paste as an input layer, Ctrl+Shift+V paste as the whole composition. GLUT-free, so the mapping is
// tested headless; the window side passes in GLUT's key and modifier bits
// (the values of mousemodes.h).
namespace shortcuts {

enum class Command {
    NoCommand, Load, Save, Export, Undo, Redo, Layers, TilePreview, Copy, Cut, Paste, PasteComposition
};

// key as GLUT reports it: with Ctrl held, X11 gives the control code
// (Ctrl+O is 15), some setups the letter itself; both count. Alt turns a key
// into something else, so it is never part of a shortcut; Shift only makes
// Ctrl+Z a redo.
Command commandFor(unsigned char key, int modifiers);

} // namespace shortcuts
