#include "app/history/historycommands.h"

#include "app/layercontrols.h"
#include "app/mousemodes.h"
#include "app/history/windowtitle.h"
#include "layers/renderable.h"
#include "ui/controls.h"

#include <algorithm>

void HistoryCommands::build(ui::ControlWindow& w)
{
    undoButton = w.add_button("Undo", [this](int) { onUndo(); });
    undoButton->set_shares_row(true);   // Undo, Redo and Layers side by side
    redoButton = w.add_button("Redo", [this](int) { onRedo(); });
    redoButton->set_shares_row(true);
}

void HistoryCommands::begin(const std::string& label)
{
    if (edits.editing()) {
        // A drag is still open: what it did so far is a step of its own, and
        // it goes on as a new one once this edit is done.
        interruptedEdit = edits.editLabel();
        edits.commit(controls.composition(), currentLocation());
    }
    edits.begin(controls.composition(), currentLocation(), label);
}

void HistoryCommands::commit()
{
    edits.commit(controls.composition(), currentLocation());
    if (!interruptedEdit.empty()) {
        const std::string label = interruptedEdit;
        interruptedEdit.clear();
        edits.begin(controls.composition(), currentLocation(), label);
    }
    refreshButtons();
}

void HistoryCommands::dragModeChanged(MouseMode before, MouseMode after)
{
    if (before == MouseMode::None && after != MouseMode::None) {
        std::string label = after == MouseMode::Pan ? "Pan" : after == MouseMode::Zoom ? "Zoom" : "Adjust";
        const Renderable* layer = controls.currentLayer;
        if (after == MouseMode::Adjust && layer) {
            const int i = controls.selectedVariable();
            if (i >= 0 && i < layer->variableCount) label += std::string(" ") + layer->variables[i].getName();
        }
        begin(label);
    } else if (before != MouseMode::None && after == MouseMode::None) {
        commit();
    }
}

LayerLocation HistoryCommands::currentLocation() const
{
    LayerLocation where;
    where.variable = controls.currentLayer ? controls.selectedVariable() : 0;
    for (const Renderable* layer = controls.currentLayer; layer && layer->parent; layer = layer->parent) {
        const Renderable* parent = layer->parent;
        for (int i = 0; i < parent->variableCount; ++i) {
            if (parent->variables[i].getInputLayer() == layer) {
                where.path.push_back(i);
                break;
            }
        }
    }
    std::reverse(where.path.begin(), where.path.end());
    return where;
}

void HistoryCommands::showLocation(const LayerLocation& where)
{
    Renderable* layer = controls.baseLayer();
    for (int i : where.path) {
        // A path that leads nowhere in this composition stops where it can.
        if (!layer || i < 0 || i >= layer->variableCount || !layer->variables[i].getInputLayer()) break;
        layer = layer->variables[i].getInputLayer();
    }
    controls.currentLayer = layer;
    controls.refreshPanel();
    if (layer && controls.variableList && where.variable > 0 && where.variable < layer->variableCount) {
        controls.variableList->set_int_val(where.variable);
        controls.refreshVariable();
    }
    controls.redrawRequested = true;
}

void HistoryCommands::onUndo()
{
    move(true);
}

void HistoryCommands::onRedo()
{
    move(false);
}

void HistoryCommands::move(bool undoing)
{
    if (edits.editing()) return;   // in the middle of a drag
    if (undoing ? !edits.canUndo() : !edits.canRedo()) {
        controls.infoLine.report(undoing ? "Nothing to undo" : "Nothing to redo");
        return;
    }
    EditHistory::Restore r = undoing ? edits.undo(controls.composition()) : edits.redo(controls.composition());
    controls.replaceComposition(std::move(r.composition), r.where);
    refreshButtons();
    controls.infoLine.report((undoing ? "Undid: " : "Redid: ") + r.label);
}

void HistoryCommands::refreshButtons()
{
    if (undoButton) {
        if (edits.canUndo()) undoButton->enable();
        else undoButton->disable();
    }
    if (redoButton) {
        if (edits.canRedo()) redoButton->enable();
        else redoButton->disable();
    }
}

std::string HistoryCommands::windowTitle() const
{
    return windowtitle::compose(scenePath(), edits.modified());
}

// Closing and replacing ask the same question; only its words differ.
bool HistoryCommands::askAboutUnsavedChanges(UnsavedChangesQuestion::Occasion occasion)
{
    // A drag still held counts: what it changed is not saved either.
    if (edits.editing()) commit();
    if (!edits.modified()) return true;
    if (!closeQuestion) return false;   // nothing is lost without an answer
    switch (closeQuestion->ask(windowtitle::fileName(scenePath()), occasion)) {
    case UnsavedChangesQuestion::Answer::Save: return controls.saveScene(/*ask=*/false);
    case UnsavedChangesQuestion::Answer::Discard: return true;
    case UnsavedChangesQuestion::Answer::Cancel: break;
    }
    return false;
}

bool HistoryCommands::confirmClose()
{
    return askAboutUnsavedChanges(UnsavedChangesQuestion::Occasion::Close);
}

bool HistoryCommands::mayReplaceComposition()
{
    return askAboutUnsavedChanges(UnsavedChangesQuestion::Occasion::Replace);
}
