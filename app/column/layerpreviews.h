#pragma once
// The previews of the layer tree as the main loop keeps them: one texture per
// row near the view, up to date with the composition shown or kept on screen
// until its new one is ready.
//
// Previews follow the drawing area's picture and never delay it: after an
// edit, the previews of the old composition stop and no new copy goes out
// while that picture is being made; once it is final, a copy of the
// composition goes to the preview thread (previewrenderer.h), which renders
// the rows in view at the lowest priority, and each finished preview replaces
// the one shown for its row. An edit that changed nothing the previews show (a step through
// the tree, a new selection) leaves them as they are.
//
// Headless: textures go through the controller's TextureBackend, if any.
#include "app/column/layertree.h"
#include "app/column/previewrenderer.h"
#include "layers/composition.h"

#include <map>
#include <memory>
#include <vector>

class Renderable;
class TextureBackend;

class LayerPreviews {
public:
    struct Shown {
        const Renderable* layer = nullptr;   // the row's layer when it was made
        unsigned texture = 0;                // 0: none (no backend)
        int width = 0, height = 0;
        bool upToDate = false;               // of the composition as it is now
    };

    LayerPreviews() = default;
    ~LayerPreviews();
    LayerPreviews(const LayerPreviews&) = delete;
    LayerPreviews& operator=(const LayerPreviews&) = delete;

    void setTextureBackend(TextureBackend* b) { backend = b; }

    // The composition may have changed; rows are its rows as they are now.
    // Previews of rows that hold another layer go; the others stay on
    // screen, no longer up to date, if the composition differs from the one
    // they show.
    void compositionEdited(const std::vector<layertree::Row>& rows);

    // Once per tick while the tree is open. shown is the composition shown;
    // pictureFinal whether the drawing area's picture of it is final; rows
    // [firstRow, endRow) are in view. True when a preview on screen changed.
    bool update(const CompositionRef& shown, bool pictureFinal, int width, int height, int firstRow, int endRow);

    const Shown* shown(int row) const;
    // More ticks are needed before every preview in view is up to date.
    bool pending() const;

    // The tree is closed: the thread stops, the textures go.
    void clear();
    void shutDown() { renderer.shutDown(); }
    // The preview thread, for the examples' previews while the tree is
    // closed (one column at a time).
    PreviewRenderer& thread() { return renderer; }

private:
    void drop(std::map<int, Shown>::iterator entry);

    PreviewRenderer renderer;
    TextureBackend* backend = nullptr;         // not owned
    std::map<int, Shown> previews;             // by row
    std::vector<const Renderable*> rowLayers;  // the layer of every row
    Composition previewed;                     // what the thread renders; a null tree: nothing
    bool changed = true;                       // compare the composition with previewed
    int previewWidth = 0, previewHeight = 0;
    std::vector<int> sentRows;                 // what the thread was last asked for
    bool waiting = false;                      // rows in view are not up to date yet
};
