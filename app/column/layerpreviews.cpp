#include "app/column/layerpreviews.h"

#include "layers/renderable.h"
#include "layers/texturebackend.h"

#include <algorithm>

namespace {
// Rows this far outside the view keep their textures, so a short scroll
// back shows them at once.
constexpr int keptBeyondView = 16;
} // namespace

LayerPreviews::~LayerPreviews()
{
    // The textures belong to a GL context that may be gone by now; only a
    // closed tree lets go of them.
    renderer.shutDown();
}

void LayerPreviews::drop(std::map<int, Shown>::iterator entry)
{
    if (backend && entry->second.texture) backend->deleteTexture(entry->second.texture);
    previews.erase(entry);
}

void LayerPreviews::clear()
{
    renderer.stop();
    while (!previews.empty()) drop(previews.begin());
    rowLayers.clear();
    previewed = Composition();
    changed = true;
    sentRows.clear();
    waiting = false;
}

void LayerPreviews::compositionEdited(const std::vector<layertree::Row>& rows)
{
    rowLayers.clear();
    for (const layertree::Row& row : rows) rowLayers.push_back(row.layer);
    for (auto entry = previews.begin(); entry != previews.end();) {
        const auto next = std::next(entry);
        const int row = entry->first;
        if (row >= static_cast<int>(rowLayers.size()) || rowLayers[static_cast<std::size_t>(row)] != entry->second.layer)
            drop(entry);
        entry = next;
    }
    changed = true;
}

bool LayerPreviews::update(const CompositionRef& shown, bool pictureFinal, int width, int height, int firstRow, int endRow)
{
    if (changed || width != previewWidth || height != previewHeight) {
        changed = false;
        if (!previewed.tree || width != previewWidth || height != previewHeight ||
            !sameComposition(shown, previewed.ref())) {
            renderer.stop();
            previewed = Composition();
            for (auto& entry : previews) entry.second.upToDate = false;
        }
    }
    if (!shown.tree) {
        waiting = false;   // nothing to preview
        return false;
    }
    if (!previewed.tree) {
        // The drawing area's picture comes first.
        if (!pictureFinal) {
            waiting = true;
            return false;
        }
        // One copy for the thread, one to tell whether the next edit changed
        // what the previews show.
        previewed = Composition(shown);
        Composition copy(shown);
        if (!previewed.tree || !copy.tree) return false;
        previewWidth = width;
        previewHeight = height;
        renderer.start(std::move(copy), width, height);
        sentRows.clear();
    }

    bool shownChanged = false;
    for (PreviewRenderer::Preview& p : renderer.take()) {
        if (p.row >= static_cast<int>(rowLayers.size())) continue;
        Shown& s = previews[p.row];
        s.layer = rowLayers[static_cast<std::size_t>(p.row)];
        s.width = p.width;
        s.height = p.height;
        s.upToDate = true;
        if (backend && !s.texture) s.texture = backend->createTexture();
        if (s.texture) backend->uploadPixelExact(s.texture, p.width, p.height, p.pixels.data());
        shownChanged = true;
    }

    // Rows far from the view let go of their textures.
    for (auto entry = previews.begin(); entry != previews.end();) {
        const auto next = std::next(entry);
        if (entry->first < firstRow - keptBeyondView || entry->first >= endRow + keptBeyondView) drop(entry);
        entry = next;
    }

    std::vector<int> rows;
    const int last = std::min(endRow, static_cast<int>(rowLayers.size()));
    for (int row = std::max(firstRow, 0); row < last; ++row) {
        const auto entry = previews.find(row);
        if (entry == previews.end() || !entry->second.upToDate) rows.push_back(row);
    }
    waiting = !rows.empty();
    if (rows != sentRows) {
        renderer.want(rows);
        sentRows = rows;
    }
    return shownChanged;
}

const LayerPreviews::Shown* LayerPreviews::shown(int row) const
{
    const auto entry = previews.find(row);
    return entry == previews.end() ? nullptr : &entry->second;
}

bool LayerPreviews::pending() const
{
    return waiting || renderer.busy();
}
