#pragma once
// "Layer path:": the steps from the base layer to the current one; a click
// on a step goes to that layer (no undo step).
class LayerControls;

namespace ui {
class ControlWindow;
class PathBar;
} // namespace ui

class LayerPathBar {
public:
    explicit LayerPathBar(LayerControls& controls) : controls(controls) {}

    void build(ui::ControlWindow& window);
    // The steps to the current layer.
    void refresh();
    void onPathStep();

    ui::PathBar* pathBar = nullptr;

private:
    LayerControls& controls;
};
