#pragma once
// What a mouse button or a pointer move in the drawing area does: the drag
// modes of the viewer and the info text that describes them. Pure logic
// without GLUT, so every edge case is tested headless; the window side only
// passes GLUT's values in (they are the same numbers, checked there).
class LayerControls;

enum class MouseMode : int { None = 0, Pan = 1, Zoom = 2, Adjust = 3 };

namespace mousemodes {

// GLUT's numbers for buttons, press state and modifier bits.
constexpr int leftButton = 0;
constexpr int middleButton = 1;
constexpr int rightButton = 2;
constexpr int buttonDown = 0;
constexpr int buttonUp = 1;
constexpr int shiftBit = 1;
constexpr int ctrlBit = 2;
constexpr int altBit = 4;

extern const char* const panText;
extern const char* const zoomText;
extern const char* const adjustText;

// A button event: updates the drag mode and, on a press, the last pointer
// position. Returns the text for the info line: a release and a press of a
// button without a drag of its own return the empty text, which clears it.
// modifiers only matter for a press; they are sampled there and nowhere else.
const char* applyButton(MouseMode& mode, int& lastX, int& lastY, int button, int state, int x, int y,
                        int modifiers);

// A pointer move to (x, y) with a button held. In None nothing changes, not
// even the last position, so the first move of a drag measures from the
// press. Otherwise the delta (dx positive leftwards, dy positive downwards)
// goes to the controller by mode and the last position follows the pointer;
// an Adjust of a whole-number variable takes one whole step per
// adjustPixelsPerUnit pixels, and the last position follows only as far as
// the steps taken.
void applyMotion(MouseMode mode, int& lastX, int& lastY, int x, int y, LayerControls& controls);

// The pixels of an Adjust move that change a parameter by 1.
constexpr int adjustPixelsPerUnit = 100;

// The parameter change of an Adjust move: a hundredth per pixel, computed in
// double and narrowed, exactly as the panel expects it.
float adjustDelta(int dy);

} // namespace mousemodes
