// The panel's "View as:" list and the field of the chosen view's setting:
// what the drawing area shows of the current layer's values. Both change a
// scene setting (SceneSettings::viewAs), one undo step each; the values,
// the readouts, the statistics and the previews stay as they are.
#include "app/layercontrols.h"

#include "app/editstep.h"
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

void LayerControls::buildViewAsControls(ui::ControlWindow& w)
{
    viewAsList = w.add_listbox_to_panel(&w.root(), "View as:", -1, command(&LayerControls::onViewAs));
    viewAsList->set_shares_row(true);   // the setting's field beside it, one row
    viewAsList->add_item(static_cast<int>(ViewAs::Kind::grey), "Grey");
    viewAsList->add_item(static_cast<int>(ViewAs::Kind::normal), "Normal map");
    viewAsList->add_item(static_cast<int>(ViewAs::Kind::ramp), "Colour ramp");
    viewSettingField = w.add_edittext("", command(&LayerControls::onViewSetting));
    refreshViewAs();
}

void LayerControls::refreshViewAs()
{
    const ViewAs& view = sceneSettings.viewAs;
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

void LayerControls::onViewAs()
{
    if (!viewAsList) return;
    {
        EditStep step(*this, "View as");
        sceneSettings.viewAs.kind = static_cast<ViewAs::Kind>(viewAsList->get_int_val());
        redrawRequested = true;
    }
    refreshViewAs();
}

void LayerControls::onViewSetting()
{
    if (!viewSettingField) return;
    ViewAs view = sceneSettings.viewAs;
    const std::string text = viewSettingField->get_text();
    std::string error;
    if (view.kind == ViewAs::Kind::ramp) {
        if (!ColourRamp::parse(text, &view.ramp, &error)) {
            refreshViewAs();   // the field shows the ramp in use again
            reportOutcome("Colour ramp: " + error);
            return;
        }
    } else if (view.kind == ViewAs::Kind::normal) {
        // "S" or "S opengl|directx".
        const std::size_t space = text.find(' ');
        const bool valid = normalmap::parseStrength(text.substr(0, space), &view.normal.strength) &&
                           (space == std::string::npos ||
                            normalmap::parseConvention(text.substr(space + 1), &view.normal.convention));
        if (!valid) {
            refreshViewAs();
            reportOutcome("Normal map: '" + text +
                          "' is not a strength (a number from -1000000 to 1000000), with opengl or directx after it");
            return;
        }
        if (space == std::string::npos) view.normal.convention = normalmap::Convention::opengl;
    } else {
        return;
    }
    {
        EditStep step(*this, "View as");
        sceneSettings.viewAs = view;
        redrawRequested = true;
    }
    refreshViewAs();
}
