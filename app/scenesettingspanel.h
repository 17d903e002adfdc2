#pragma once
// The scene's settings in the panel: "Seamless", beside "Export", and "View
// as:" with the field of the chosen view's setting (the strength of a normal
// map, the stops or name of a colour ramp). Each change is an undoable edit
// of SceneSettings; "View as" changes what the drawing area shows of the
// values, while the values, the readouts, the statistics and the previews
// stay as they are.
#include "layers/composition.h"

class LayerControls;

namespace ui {
class Checkbox;
class ControlWindow;
class EditText;
class Listbox;
} // namespace ui

class SceneSettingsPanel {
public:
    explicit SceneSettingsPanel(LayerControls& controls) : controls(controls) {}

    void buildSeamless(ui::ControlWindow& window);
    // "View as:" and its setting's field, side by side on one row.
    void buildViewAs(ui::ControlWindow& window);

    // The controls show settings: one overload per type of setting
    // (scenefields.h), so that a new setting is shown by its type.
    void show(const SceneSettings& settings);
    void show(bool seamless);
    void show(const ViewAs& view);
    // The drawing area has no control: the viewer records its own as it
    // writes a scene.
    void show(const drawingarea::Size&) {}

    // "Seamless": the whole composition's patterns repeat over their views
    // (generators/seamless.h).
    void onSeamless();
    void onViewAs();
    void onViewSetting();

    ui::Checkbox* seamlessCheckbox = nullptr;
    ui::Listbox* viewAsList = nullptr;
    ui::EditText* viewSettingField = nullptr;

private:
    LayerControls& controls;
};
