// The layer tree column of LayerControls: its rows, the current row, a
// click that goes to a layer, and the previews kept in step with the
// composition.
#include "app/layercontrols.h"

#include "app/previewsize.h"
#include "ui/controls.h"

#include <map>

void LayerControls::buildTreeColumn(ui::ControlWindow& window)
{
    layerList = window.add_layerlist("Layers", command(&LayerControls::onTreeRow));
}

void LayerControls::onLayers()
{
    // One column at a time: the examples make way, in the same width.
    const bool columnShown = treeOpen || examplesOpen;
    if (examplesOpen) closeExamples();
    treeOpen = !treeOpen;
    if (treeOpen) {
        // The column opens at the current row, wherever it was scrolled
        // when it closed.
        if (layerList) layerList->set_current(-1);
        refreshTree();
        previews.compositionEdited(treeRows);
    } else {
        closeTree();
    }
    if (showTreeColumn && treeOpen != columnShown) showTreeColumn(treeOpen);
}

void LayerControls::treeColumnClosed()
{
    if (treeOpen) closeTree();
}

void LayerControls::closeTree()
{
    treeOpen = false;
    previews.clear();
    treeRows.clear();
    if (layerList) {
        layerList->set_rows({});
        layerList->set_pictures({});
    }
}

void LayerControls::refreshTree()
{
    if (!treeOpen) return;
    treeRows = layertree::rows(baseLayer());
    if (!layerList) return;
    std::vector<ui::LayerList::Row> rows;
    rows.reserve(treeRows.size());
    for (const layertree::Row& row : treeRows)
        rows.push_back({layertree::indent(row.depth), layertree::depthMark(row.depth), row.label});
    layerList->set_rows(std::move(rows));
    // The current layer may be new (an input layer just assigned) or have
    // moved: its row comes into view with the rows that hold it.
    markCurrentRow();
}

void LayerControls::markCurrentRow()
{
    if (!treeOpen || !layerList) return;
    const int row = layertree::indexOf(treeRows, currentLayer);
    if (row == layerList->current()) return;
    layerList->set_current(row);
    layerList->set_selected(row);   // the keyboard goes on from the current layer
    layerList->scroll_to(row);
}

void LayerControls::onTreeKey(layertree::Move move)
{
    if ((!treeOpen && !examplesOpen) || !layerList) return;
    std::vector<int> depths;
    if (treeOpen)
        for (const layertree::Row& row : treeRows) depths.push_back(row.depth);
    else
        depths.assign(examples.size(), 0);
    const int row = layertree::navigate(depths, layerList->selected(), move);
    layerList->set_selected(row);
    if (row >= 0) layerList->scroll_to(row);
}

void LayerControls::onTreeReturn()
{
    if (!layerList || layerList->selected() < 0) return;
    layerList->choose(layerList->selected());
}

void LayerControls::onTreeRow()
{
    if (!layerList) return;
    if (examplesOpen) {
        openExample(layerList->chosen());
        return;
    }
    const int row = layerList->chosen();
    // The rows on screen may be older than the composition (an edit in the
    // same frame as the click): only a row that still holds its layer counts.
    const std::vector<layertree::Row> now = layertree::rows(baseLayer());
    if (row < 0 || row >= static_cast<int>(now.size()) || row >= static_cast<int>(treeRows.size()) ||
        now[static_cast<std::size_t>(row)].layer != treeRows[static_cast<std::size_t>(row)].layer)
        return;
    Renderable* target = now[static_cast<std::size_t>(row)].layer;
    if (target == currentLayer) return;
    // Navigation, as a step of the path: no undo step.
    currentLayer = target;
    refreshPanel();
    redrawRequested = true;
}

bool LayerControls::updateTree(bool edited)
{
    if (!treeOpen) return false;
    bool changed = false;
    if (edited) {
        refreshTree();
        previews.compositionEdited(treeRows);
        changed = true;
    }
    previews.setTextureBackend(textureBackend);
    const int height = previewsize::height(viewportWidth, viewportHeight);
    const int first = layerList ? layerList->first_visible() : 0;
    const int end = layerList ? layerList->end_visible() : static_cast<int>(treeRows.size());
    if (previews.update(composition(), !renderer.pending(), previewsize::width, height, first, end)) changed = true;
    if (layerList) {
        layerList->set_picture_size(previewsize::width, height);
        std::map<int, ui::LayerList::Picture> pictures;
        for (int row = first; row < end; ++row) {
            const LayerPreviews::Shown* shown = previews.shown(row);
            // A preview of another size (the drawing area has changed shape)
            // would not fit its row: the row waits for its new one.
            if (shown && shown->texture && shown->width == previewsize::width && shown->height == height)
                pictures[row] = {shown->texture, shown->width, shown->height};
        }
        // Rows scrolled into view show the previews kept for them at once.
        if (pictures != layerList->pictures()) {
            layerList->set_pictures(std::move(pictures));
            changed = true;
        }
    }
    return changed;
}
