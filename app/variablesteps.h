#pragma once
// Page Up (+1) and Page Down (-1): the selected variable by a twentieth of
// its range, clamped like a drag. The presses while the key is held are one
// undo step, which end closes at its release.
class LayerControls;

class VariableSteps {
public:
    static constexpr int stepsPerRange = 20;

    explicit VariableSteps(LayerControls& controls) : controls(controls) {}

    void step(int direction);
    void end();

private:
    LayerControls& controls;
    bool open = false;   // Page Up or Down held: its step is open
};
