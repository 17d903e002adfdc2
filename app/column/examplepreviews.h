#pragma once
// The previews of the Examples column: each example rendered at the preview
// size by the preview thread, one example after another, each as its own
// composition with its own settings. Headless: textures go through the
// controller's TextureBackend, if any.
#include "app/column/previewrenderer.h"
#include "layers/composition.h"

#include <vector>

class TextureBackend;

class ExamplePreviews {
public:
    struct Shown {
        unsigned texture = 0;
        int width = 0, height = 0;
        bool made = false;
    };
    // The examples' compositions (null trees for those that could not be
    // read), previewed from now on at width x height.
    void start(std::vector<Composition> examples, int width, int height);
    // Once per tick: takes what the thread made and hands it the next. True
    // when a preview changed.
    bool update(PreviewRenderer& thread, TextureBackend* backend);
    const Shown& shown(int row) const { return previews[static_cast<std::size_t>(row)]; }
    bool pending() const { return next < examples.size(); }
    // The column is closed: the textures go.
    void clear(PreviewRenderer& thread, TextureBackend* backend);

private:
    std::vector<Composition> examples;
    std::vector<Shown> previews;
    std::size_t next = 0;      // the example being made
    bool sent = false;         // handed to the thread
    int width = 0, height = 0;
};
