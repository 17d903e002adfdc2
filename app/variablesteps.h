#pragma once
// The selected variable's steps. Page Up (+1) and Page Down (-1) move it by
// a twentieth of its range, clamped like a drag; the presses while the key
// is held are one undo step, which end closes at its release. A
// whole-number variable (layertypetable.h) moves by whole numbers instead,
// from the whole number its type reads: by 1 a press, and by 1 for each
// whole unit of a Shift-drag (mousemodes.h).
class LayerControls;

class VariableSteps {
public:
    static constexpr int stepsPerRange = 20;

    explicit VariableSteps(LayerControls& controls) : controls(controls) {}

    void step(int direction);
    void end();

    // The current layer's selected variable is a whole number.
    bool wholeNumberSelected() const;
    // Moves the selected whole-number variable to the whole number it
    // holds plus steps, clamped to its range.
    void moveWhole(int steps);

private:
    LayerControls& controls;
    bool open = false;   // Page Up or Down held: its step is open
};
