// Undo and redo of the composition, and what the viewer knows of unsaved
// changes: the controller's side of EditHistory.
#include "app/layercontrols.h"

#include "app/mousemodes.h"
#include "layers/viewresize.h"
#include "app/windowtitle.h"
#include "layers/renderable.h"
#include "app/questions/unsavedchangesquestion.h"
#include "ui/controls.h"

#include <algorithm>

void LayerControls::beginEdit(const std::string& label)
{
    if (history.editing()) {
        // A drag is still open: what it did so far is a step of its own, and
        // it goes on as a new one once this edit is done.
        interruptedEdit = history.editLabel();
        history.commit(composition(), currentLocation());
    }
    history.begin(composition(), currentLocation(), label);
}

void LayerControls::commitEdit()
{
    history.commit(composition(), currentLocation());
    if (!interruptedEdit.empty()) {
        const std::string label = interruptedEdit;
        interruptedEdit.clear();
        history.begin(composition(), currentLocation(), label);
    }
    refreshHistoryButtons();
}

void LayerControls::dragModeChanged(MouseMode before, MouseMode after)
{
    if (before == MouseMode::None && after != MouseMode::None) {
        std::string label = after == MouseMode::Pan ? "Pan" : after == MouseMode::Zoom ? "Zoom" : "Adjust";
        if (after == MouseMode::Adjust && currentLayer) {
            const int i = selectedVariable();
            if (i >= 0 && i < currentLayer->variableCount) label += std::string(" ") + currentLayer->variables[i].getName();
        }
        beginEdit(label);
    } else if (before != MouseMode::None && after == MouseMode::None) {
        commitEdit();
    }
}

LayerLocation LayerControls::currentLocation() const
{
    LayerLocation where;
    where.variable = currentLayer ? selectedVariable() : 0;
    for (const Renderable* layer = currentLayer; layer && layer->parent; layer = layer->parent) {
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

void LayerControls::showLocation(const LayerLocation& where)
{
    Renderable* layer = baseLayer();
    for (int i : where.path) {
        // A path that leads nowhere in this composition stops where it can.
        if (!layer || i < 0 || i >= layer->variableCount || !layer->variables[i].getInputLayer()) break;
        layer = layer->variables[i].getInputLayer();
    }
    currentLayer = layer;
    refreshPanel();
    if (currentLayer && variableList && where.variable > 0 && where.variable < currentLayer->variableCount) {
        variableList->set_int_val(where.variable);
        refreshVariable();
    }
    redrawRequested = true;
}

void LayerControls::installComposition(Composition restored, const LayerLocation& where)
{
    clearLayers();
    if (restored.tree) {
        // Taken at whatever size the drawing area had then: shown at the
        // size it has now, its views derived as a resize derives them.
        if (viewportWidth > 0 && viewportHeight > 0)
            viewresize::resizeKeepingScale(*restored.tree, viewportWidth, viewportHeight);
        baseLayers[0] = restored.tree.release();
        baseLayerCount = 1;
    }
    sceneSettings = restored.settings;
    showLocation(where);
}

void LayerControls::onUndo()
{
    moveInHistory(true);
}

void LayerControls::onRedo()
{
    moveInHistory(false);
}

void LayerControls::moveInHistory(bool undoing)
{
    if (history.editing()) return;   // in the middle of a drag
    if (undoing ? !history.canUndo() : !history.canRedo()) {
        reportOutcome(undoing ? "Nothing to undo" : "Nothing to redo");
        return;
    }
    EditHistory::Restore r = undoing ? history.undo(composition()) : history.redo(composition());
    installComposition(std::move(r.composition), r.where);
    refreshHistoryButtons();
    reportOutcome((undoing ? "Undid: " : "Redid: ") + r.label);
}

void LayerControls::refreshHistoryButtons()
{
    if (undoButton) {
        if (history.canUndo()) undoButton->enable();
        else undoButton->disable();
    }
    if (redoButton) {
        if (history.canRedo()) redoButton->enable();
        else redoButton->disable();
    }
}

std::string LayerControls::windowTitle() const
{
    return windowtitle::compose(scenePath(), history.modified());
}

namespace {
// Closing and replacing ask the same question; only its words differ.
bool askAboutUnsavedChanges(LayerControls& controls, UnsavedChangesQuestion::Occasion occasion)
{
    // A drag still held counts: what it changed is not saved either.
    if (controls.history.editing()) controls.commitEdit();
    if (!controls.history.modified()) return true;
    if (!controls.closeQuestion) return false;   // nothing is lost without an answer
    switch (controls.closeQuestion->ask(windowtitle::fileName(controls.scenePath()), occasion)) {
    case UnsavedChangesQuestion::Answer::Save: return controls.saveScene(/*ask=*/false);
    case UnsavedChangesQuestion::Answer::Discard: return true;
    case UnsavedChangesQuestion::Answer::Cancel: break;
    }
    return false;
}
} // namespace

bool LayerControls::confirmClose()
{
    return askAboutUnsavedChanges(*this, UnsavedChangesQuestion::Occasion::Close);
}

bool LayerControls::mayReplaceComposition()
{
    return askAboutUnsavedChanges(*this, UnsavedChangesQuestion::Occasion::Replace);
}
