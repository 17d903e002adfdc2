#include "app/scenesettingspanel.h"

#include "app/history/editstep.h"
#include "app/layercontrols.h"
#include "layers/scenefields.h"
#include "ui/controls.h"

namespace {

// The field's text for a normal map: the strength, then the convention when
// it is not the default one.
std::string normalText(const normalmap::Settings& normal)
{
    const std::string strength = ViewAs::strengthText(normal.strength);
    return normal.convention == normalmap::Convention::opengl ? strength : strength + " directx";
}

} // namespace

void SceneSettingsPanel::buildSeamless(ui::ControlWindow& w)
{
    seamlessCheckbox = w.add_checkbox("Seamless", [this](int) { onSeamless(); });
}

void SceneSettingsPanel::buildViewAs(ui::ControlWindow& w)
{
    viewAsList = w.add_listbox_to_panel(&w.root(), "View as:", -1, [this](int) { onViewAs(); });
    viewAsList->set_shares_row(true);   // the setting's field beside it, one row
    viewAsList->add_item(static_cast<int>(ViewAs::Kind::grey), "Grey");
    viewAsList->add_item(static_cast<int>(ViewAs::Kind::normal), "Normal map");
    viewAsList->add_item(static_cast<int>(ViewAs::Kind::ramp), "Colour ramp");
    viewSettingField = w.add_edittext("", [this](int) { onViewSetting(); });
    show(controls.sceneSettings.viewAs);
}

void SceneSettingsPanel::show(const SceneSettings& settings)
{
    scenefields::forEachSceneField([this](const scenefields::Field&, const auto& value) { show(value); }, settings);
}

void SceneSettingsPanel::show(bool seamless)
{
    if (seamlessCheckbox) seamlessCheckbox->set_int_val(seamless ? 1 : 0);
}

void SceneSettingsPanel::show(const ViewAs& view)
{
    if (viewAsList) viewAsList->set_int_val(static_cast<int>(view.kind));
    if (!viewSettingField) return;
    // The field holds the strength of a normal map or the stops (or name)
    // of a ramp; Grey has no setting.
    const bool ramp = view.kind == ViewAs::Kind::ramp;
    viewSettingField->set_text(view.kind == ViewAs::Kind::grey ? std::string()
                               : ramp                          ? view.ramp.text()
                                                               : normalText(view.normal));
    viewSettingField->set_hint(view.kind == ViewAs::Kind::grey ? "" : ramp ? "ramp" : "strength");
    if (view.kind == ViewAs::Kind::grey)
        viewSettingField->disable();
    else
        viewSettingField->enable();
}

void SceneSettingsPanel::onSeamless()
{
    EditStep step(controls.history, "Seamless");
    controls.sceneSettings.seamless = seamlessCheckbox && seamlessCheckbox->get_int_val() != 0;
    if (controls.baseLayer()) applySettings(*controls.baseLayer(), controls.sceneSettings);
    controls.redrawRequested = true;
}

void SceneSettingsPanel::onViewAs()
{
    if (!viewAsList) return;
    {
        EditStep step(controls.history, "View as");
        controls.sceneSettings.viewAs.kind = static_cast<ViewAs::Kind>(viewAsList->get_int_val());
        controls.redrawRequested = true;
    }
    show(controls.sceneSettings.viewAs);
}

void SceneSettingsPanel::onViewSetting()
{
    if (!viewSettingField) return;
    ViewAs view = controls.sceneSettings.viewAs;
    const std::string text = viewSettingField->get_text();
    std::string error;
    if (view.kind == ViewAs::Kind::ramp) {
        if (!ColourRamp::parse(text, &view.ramp, &error)) {
            show(controls.sceneSettings.viewAs);   // the field shows the ramp in use again
            controls.infoLine.report("Colour ramp: " + error);
            return;
        }
    } else if (view.kind == ViewAs::Kind::normal) {
        // "S" or "S opengl|directx".
        const std::size_t space = text.find(' ');
        const bool valid = normalmap::parseStrength(text.substr(0, space), &view.normal.strength) &&
                           (space == std::string::npos ||
                            normalmap::parseConvention(text.substr(space + 1), &view.normal.convention));
        if (!valid) {
            show(controls.sceneSettings.viewAs);
            controls.infoLine.report("Normal map: '" + text +
                                     "' is not a strength (a number from -1000000 to 1000000), with opengl or directx after it");
            return;
        }
        if (space == std::string::npos) view.normal.convention = normalmap::Convention::opengl;
    } else {
        return;
    }
    {
        EditStep step(controls.history, "View as");
        controls.sceneSettings.viewAs = view;
        controls.redrawRequested = true;
    }
    show(controls.sceneSettings.viewAs);
}
