// The control panel half of LayerControls: the controls' layout, how the
// panel shows the current layer, and the parameter drag.
#include "app/layercontrols.h"

#include "app/editstep.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "layers/scenefields.h"
#include "ui/controls.h"

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
    seedField = w.add_edittext_to_panel(layerControlsPanel, "Seed", -1, command(&LayerControls::onSeedField));
    seedField->set_shares_row(true);   // "New seed" beside it
    newSeedButton = w.add_button_to_panel(layerControlsPanel, "New seed", -1, command(&LayerControls::onNewSeed));
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
    buildExportControls(w);
    // What the drawing area shows sits with what the export writes, above
    // the history's row: a control, not a readout, so it stays in view.
    buildViewAsControls(w);
    undoButton = w.add_button("Undo", command(&LayerControls::onUndo));
    undoButton->set_shares_row(true);   // Undo, Redo and Layers side by side
    redoButton = w.add_button("Redo", command(&LayerControls::onRedo));
    redoButton->set_shares_row(true);
    layersButton = w.add_button("Layers", command(&LayerControls::onLayers));
    // Copy and paste of the current layer as scene text, and the examples,
    // on a row of their own below Undo and Redo.
    copyButton = w.add_button("Copy", command(&LayerControls::onCopy));
    copyButton->set_shares_row(true);
    pasteButton = w.add_button("Paste", command(&LayerControls::onPaste));
    pasteButton->set_shares_row(true);
    examplesButton = w.add_button("Examples", command(&LayerControls::onExamples));
    refreshHistoryButtons();
    buildViewTools(w);

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

void LayerControls::stepSelectedVariable(int direction)
{
    if (!currentLayer || direction == 0) return;
    const int i = selectedVariable();
    if (i < 0 || i >= currentLayer->variableCount) return;
    const LayerVariable& variable = currentLayer->variables[i];
    if (!variableStepsOpen) {
        beginEdit(std::string(direction > 0 ? "Page Up " : "Page Down ") + variable.getName());
        variableStepsOpen = true;
    }
    adjustSelectedVariable(static_cast<float>(direction) * (variable.getMaxValue() - variable.getMinValue()) /
                           static_cast<float>(variableStepsPerRange));
}

void LayerControls::endVariableSteps()
{
    if (!variableStepsOpen) return;
    variableStepsOpen = false;
    commitEdit();
}

// The panel's control of each scene setting, by its type.
void LayerControls::showSetting(bool seamless)
{
    if (seamlessCheckbox) seamlessCheckbox->set_int_val(seamless ? 1 : 0);
}
void LayerControls::showSetting(const ViewAs&)
{
    refreshViewAs();
}

void LayerControls::refreshPanel()
{
    refreshPath();
    markCurrentRow();
    scenefields::forEachSceneField([this](const scenefields::Field&, const auto& value) { showSetting(value); },
                                   sceneSettings);
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
        if (seedField) seedField->set_text("");
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
            char text[100];
            std::snprintf(text, sizeof text, "%g", static_cast<double>(variable.getValue()));
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
        if (seedField) seedField->set_text(std::to_string(currentLayer->seed));
    }
    // Nothing is rendered here: what the panel shows does not change the
    // picture, and the edits that do change it ask for a new one.
}

void LayerControls::onInverse()
{
    EditStep step(*this, "Inverse");
    if (!currentLayer) return;
    currentLayer->inverse = inverseCheckbox && inverseCheckbox->get_int_val() != 0;
    redrawRequested = true;
}

void LayerControls::onSelectVariable()
{
    refreshVariable();
}
