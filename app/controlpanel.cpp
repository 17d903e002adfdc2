// The control panel of LayerControls: the controls' layout, how the panel
// shows the current layer, and the parameter drag. The features' controls
// take their places in the layout through their own build functions.
#include "app/layercontrols.h"

#include "app/history/editstep.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "ui/controls.h"

#include <cmath>
#include <cstdio>
#include <string>

ui::Callback LayerControls::command(void (LayerControls::*member)())
{
    return [this, member](int /*id*/) { (this->*member)(); };
}

void LayerControls::build(ui::ControlWindow* window)
{
    controlWindow = window;
    ui::ControlWindow& w = *window;

    layerControlsPanel = w.add_panel("Layer controls");
    changeBaseButton = w.add_button_to_panel(layerControlsPanel, "Change base", -1, command(&LayerControls::onChangeBase));
    inverseCheckbox = w.add_checkbox_to_panel(layerControlsPanel, "Inverse", -1, command(&LayerControls::onInverse));
    seeds.build(w, layerControlsPanel);
    layerVariablesPanel = w.add_panel_to_panel(layerControlsPanel, "Layer Variables");
    variableList = w.add_listbox_to_panel(layerVariablesPanel, "Select variable: ", -1,
                                          command(&LayerControls::onSelectVariable));
    valueField = w.add_edittext_to_panel(layerVariablesPanel, "Value: ", -1, nullptr);
    valueField->set_read_only(true);   // a read-out: typing changes no variable
    layerTypeList = w.add_listbox_to_panel(layerVariablesPanel, "Layer Types: ", -1, nullptr);
    for (int t = 0; t < LayerTypeTable::count; ++t) layerTypeList->add_item(t, LayerTypeTable::names[t]);
    assignInputButton = w.add_button_to_panel(layerVariablesPanel, "Assign input layer", -1,
                                              command(&LayerControls::onAssignInputLayer));
    removeInputButton = w.add_button_to_panel(layerVariablesPanel, "Remove input layer", -1,
                                              command(&LayerControls::onRemoveInputLayer));
    editInputButton = w.add_button_to_panel(layerVariablesPanel, "Edit input layer", -1,
                                            command(&LayerControls::onEditInputLayer));
    goToParentButton = w.add_button_to_panel(layerControlsPanel, "Go to parent", -1, command(&LayerControls::onGoToParent));
    loadButton = w.add_button("Load from XML", -1, command(&LayerControls::onLoadFromXml));
    saveButton = w.add_button("Save to XML", -1, command(&LayerControls::onSaveToXml));
    // "Export" and "Seamless" share a row, "Export size:" below them and
    // "Keep aspect" below that.
    exporter.buildButton(w);
    settingsPanel.buildSeamless(w);
    exporter.buildSizeField(w);
    exporter.buildAspectSwitch(w);
    // What the drawing area shows sits with what the export writes, above
    // the history's row: a control, not a readout, so it stays in view.
    settingsPanel.buildViewAs(w);
    history.build(w);
    column.buildLayersButton(w);
    // Copy and paste of the current layer as scene text, and the examples,
    // on a row of their own below Undo and Redo.
    clipboardCommands.build(w);
    column.buildExamplesButton(w);
    history.refreshButtons();
    pathBar.build(w);
    picture.buildStatistics(w);

    resetCurrentView();
    showBaseLayer();
}

int LayerControls::selectedVariable() const
{
    return variableList ? variableList->get_int_val() : 0;
}

int LayerControls::selectedType() const
{
    return layerTypeList ? layerTypeList->get_int_val() : 0;
}

void LayerControls::adjustSelectedVariable(float delta)
{
    if (!currentLayer) return;
    currentLayer->adjustVariable(selectedVariable(), delta);
    redrawRequested = true;
    refreshVariable();
}

void LayerControls::refreshPanel()
{
    pathBar.refresh();
    column.tree.markCurrentRow();
    settingsPanel.show(sceneSettings);
    if (changeBaseButton) changeBaseButton->enable();
    if (goToParentButton) goToParentButton->disable();
    if (!currentLayer) {
        // Without a layer there is nothing to pick or read: the list, the
        // read-out and the input-layer buttons are emptied and disabled
        // rather than left showing a layer that no longer exists.
        if (variableList) {
            while (!variableList->items().empty()) variableList->delete_item(variableList->items().front().id);
        }
        if (valueField) valueField->set_text("");
        if (assignInputButton) assignInputButton->disable();
        if (removeInputButton) removeInputButton->disable();
        if (editInputButton) editInputButton->disable();
        if (inverseCheckbox) inverseCheckbox->set_int_val(0);
        seeds.show(nullptr);
        return;
    }
    if (variableList) {
        while (!variableList->items().empty()) variableList->delete_item(variableList->items().front().id);
        for (int i = 0; i < currentLayer->variableCount; ++i)
            variableList->add_item(i, currentLayer->variables[i].getName());
    }
    refreshVariable();
}

void LayerControls::refreshVariable()
{
    if (editInputButton) editInputButton->disable();
    if (removeInputButton) removeInputButton->disable();
    if (assignInputButton) assignInputButton->disable();
    if (goToParentButton) goToParentButton->disable();
    if (currentLayer) {
        const int i = selectedVariable();
        if (i >= 0 && i < currentLayer->variableCount) {
            const LayerVariable& variable = currentLayer->variables[i];
            // A whole-number variable shows the whole number its type reads.
            const float value = isWholeNumber(currentLayer->typeId, i) ? std::trunc(variable.getValue()) : variable.getValue();
            char text[100];
            std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
            // A mode or a shape is named beside its number: "5 (Difference)".
            if (const char* name = currentLayer->valueName(i, variable.getValue()))
                std::snprintf(text, sizeof text, "%g (%s)", static_cast<double>(value), name);
            if (valueField) valueField->set_text(text);
            if (variable.getInputLayer()) {
                if (editInputButton) editInputButton->enable();
                if (removeInputButton) removeInputButton->enable();
            } else if (assignInputButton) {
                assignInputButton->enable();
            }
        } else if (valueField) {
            valueField->set_text("");   // a layer type without variables
        }
        if (currentLayer->parent && goToParentButton) goToParentButton->enable();
        if (inverseCheckbox) inverseCheckbox->set_int_val(currentLayer->inverse ? 1 : 0);
        seeds.show(currentLayer);
    }
    // Nothing is rendered here: what the panel shows does not change the
    // picture, and the edits that do change it ask for a new one.
}

void LayerControls::onInverse()
{
    EditStep step(history, "Inverse");
    if (!currentLayer) return;
    currentLayer->inverse = inverseCheckbox && inverseCheckbox->get_int_val() != 0;
    redrawRequested = true;
}

void LayerControls::onSelectVariable()
{
    refreshVariable();
}
