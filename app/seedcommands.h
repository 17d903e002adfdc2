#pragma once
// The current layer's seed in the panel: "Seed" and "New seed" (Ctrl+G).
// Each change is one undoable step; the picture and the tree's previews
// follow as after any edit.
class LayerControls;
class Renderable;

namespace ui {
class Button;
class ControlWindow;
class EditText;
class Panel;
} // namespace ui

class SeedCommands {
public:
    explicit SeedCommands(LayerControls& controls) : controls(controls) {}

    // "Seed" with "New seed" beside it, in panel.
    void build(ui::ControlWindow& window, ui::Panel* panel);
    // The field shows layer's seed (empty without a layer).
    void show(const Renderable* layer);
    // "Seed" (Enter, or leaving the field).
    void onSeedField();
    // "New seed" and Ctrl+G: a seed picked at random, never the one in use.
    void onNewSeed();

    ui::EditText* seedField = nullptr;
    ui::Button* newSeedButton = nullptr;

private:
    LayerControls& controls;
};
