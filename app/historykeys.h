#pragma once
// The keyboard's undo and redo: Ctrl+Z undoes, Ctrl+Shift+Z and Ctrl+Y
// redo. GLUT reports a letter typed with Ctrl as its control character
// (Ctrl+Z as 26); the plain letters count too, whatever the toolkit sends.
// Alt turns a key into something else, so it is never a shortcut here.
namespace historykeys {

enum class Command { Other, Undo, Redo };   // Other: not a history key

// key as GLUT's keyboard callback gives it; modifiers in GLUT's bits
// (mousemodes.h: shiftBit, ctrlBit, altBit).
Command commandFor(unsigned char key, int modifiers);

} // namespace historykeys
