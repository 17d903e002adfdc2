#include "app/column/layertreecolumn.h"

#include "app/layercontrols.h"
#include "app/column/previewsize.h"
#include "ui/controls.h"

#include <map>

void LayerTreeColumn::open()
{
    isOpen = true;
    if (list) list->set_current(-1);
    refresh();
    previews.compositionEdited(rows);
}

void LayerTreeColumn::close()
{
    isOpen = false;
    previews.clear();
    rows.clear();
    if (list) {
        list->set_rows({});
        list->set_pictures({});
    }
}

void LayerTreeColumn::refresh()
{
    if (!isOpen) return;
    rows = layertree::rows(controls.baseLayer());
    if (!list) return;
    std::vector<ui::LayerList::Row> shown;
    shown.reserve(rows.size());
    for (const layertree::Row& row : rows)
        shown.push_back({layertree::indent(row.depth), layertree::depthMark(row.depth), row.label});
    list->set_rows(std::move(shown));
    // The current layer may be new (an input layer just assigned) or have
    // moved: its row comes into view with the rows that hold it.
    markCurrentRow();
}

void LayerTreeColumn::markCurrentRow()
{
    if (!isOpen || !list) return;
    const int row = layertree::indexOf(rows, controls.currentLayer);
    if (row == list->current()) return;
    list->set_current(row);
    list->set_selected(row);   // the keyboard goes on from the current layer
    list->scroll_to(row);
}

void LayerTreeColumn::onRow(int row)
{
    // The rows on screen may be older than the composition (an edit in the
    // same frame as the click): only a row that still holds its layer counts.
    const std::vector<layertree::Row> now = layertree::rows(controls.baseLayer());
    if (row < 0 || row >= static_cast<int>(now.size()) || row >= static_cast<int>(rows.size()) ||
        now[static_cast<std::size_t>(row)].layer != rows[static_cast<std::size_t>(row)].layer)
        return;
    controls.goToLayer(now[static_cast<std::size_t>(row)].layer);
}

bool LayerTreeColumn::update(bool edited)
{
    if (!isOpen) return false;
    bool changed = false;
    if (edited) {
        refresh();
        previews.compositionEdited(rows);
        changed = true;
    }
    previews.setTextureBackend(controls.textureBackend);
    const int height = previewsize::height(controls.viewportWidth, controls.viewportHeight);
    const int first = list ? list->first_visible() : 0;
    const int end = list ? list->end_visible() : static_cast<int>(rows.size());
    if (previews.update(controls.composition(), !controls.picture.pending(), previewsize::width, height, first, end))
        changed = true;
    if (list) {
        list->set_picture_size(previewsize::width, height);
        std::map<int, ui::LayerList::Picture> pictures;
        for (int row = first; row < end; ++row) {
            const LayerPreviews::Shown* shown = previews.shown(row);
            // A preview of another size (the drawing area has changed shape)
            // would not fit its row: the row waits for its new one.
            if (shown && shown->texture && shown->width == previewsize::width && shown->height == height)
                pictures[row] = {shown->texture, shown->width, shown->height};
        }
        // Rows scrolled into view show the previews kept for them at once.
        if (pictures != list->pictures()) {
            list->set_pictures(std::move(pictures));
            changed = true;
        }
    }
    return changed;
}
