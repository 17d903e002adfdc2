#pragma once
// The Examples column, in the layer tree's place: the example scenes by
// name, each with its preview made on the preview thread. A click opens one,
// after the unsaved-changes question, as an untitled scene; the dialogs'
// folder stays where it was.
#include "app/column/examplefiles.h"
#include "app/column/examplepreviews.h"

#include <vector>

class LayerControls;
class PreviewRenderer;

namespace ui {
class LayerList;
}

class ExamplesColumn {
public:
    // The previews are made on thread, the tree's preview thread: one
    // column is open at a time.
    ExamplesColumn(LayerControls& controls, PreviewRenderer& thread) : controls(controls), thread(thread) {}

    void open();
    // Takes the column's rows away, leaving the column on screen for the tree.
    void close();
    void openExample(int row);
    // Once per tick while the column is open. True when it changed.
    bool update();
    bool pending() const { return isOpen && previews.pending(); }

    bool isOpen = false;
    ui::LayerList* list = nullptr;   // shared with the tree; owned by its window
    std::vector<examplefiles::Example> examples;
    ExamplePreviews previews;

private:
    LayerControls& controls;
    PreviewRenderer& thread;
};
