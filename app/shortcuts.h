#pragma once
// The viewer's keyboard shortcuts: Ctrl+O load, Ctrl+S save (to the scene's
// file when it has one), Ctrl+Shift+S save in a file dialog, Ctrl+E export,
// Ctrl+Z undo, Ctrl+Shift+Z and Ctrl+Y redo, Ctrl+L opens and closes the
// layer tree, Ctrl+T the tile preview, Ctrl+G a new seed, Ctrl+C copy,
// Ctrl+X cut, Ctrl+V paste as an input layer, Ctrl+Shift+V paste as the
// whole composition. GLUT-free, so the mapping is
// tested headless; the window side passes in GLUT's key and modifier bits
// (the values of mousemodes.h).
namespace shortcuts {

enum class Command {
    NoCommand, Load, Save, SaveAs, Export, Undo, Redo, Layers, TilePreview, NewSeed, Copy, Cut, Paste, PasteComposition
};

// key as GLUT reports it: with Ctrl held, X11 gives the control code
// (Ctrl+O is 15), some setups the letter itself; both count. Alt turns a key
// into something else, so it is never part of a shortcut; Shift only makes
// Ctrl+Z a redo and Ctrl+S a save in a dialog.
Command commandFor(unsigned char key, int modifiers);

// GLUT's numbers of the special keys used here.
constexpr int pageUpKey = 104;
constexpr int pageDownKey = 105;
// Page Up raises the selected variable by a step (+1), Page Down lowers it
// (-1); 0 for every other key, and with Ctrl or Alt held.
int pageStep(int specialKey, int modifiers);

} // namespace shortcuts
