#pragma once
// The column beside the drawing area, which shows one of two lists at a
// time in the same width: the layer tree ("Layers", Ctrl+L) or the example
// scenes ("Examples"). showColumn, when set, puts the column on screen or
// takes it off (the viewer widens its window by it).
#include "app/column/examplescolumn.h"
#include "app/column/layertreecolumn.h"

#include <functional>

class LayerControls;

namespace ui {
class Button;
class ControlWindow;
class LayerList;
} // namespace ui

class SideColumn {
public:
    explicit SideColumn(LayerControls& controls) : tree(controls), examples(controls, tree.previews.thread()) {}

    // The list, in the column's own window.
    void build(ui::ControlWindow& window);
    // "Layers", beside Undo and Redo; "Examples", beside Copy and Paste.
    void buildLayersButton(ui::ControlWindow& panel);
    void buildExamplesButton(ui::ControlWindow& panel);

    void onLayers();
    void onExamples();
    // The window became too narrow for the column, which closed: the tree
    // or the examples are closed as by their button, and stay so until
    // opened again.
    void closed();
    // A click on a row: a layer becomes current, or an example opens.
    void onRow();
    // The rows by keyboard (the pointer over the column): the selected row
    // moves, at first the current layer's, and the list scrolls to keep it
    // in view; Return chooses it as a click does. No undo step.
    void onKey(layertree::Move move);
    void onReturn();
    bool isOpen() const { return tree.isOpen || examples.isOpen; }

    // Once per tick, after the composition was edited or not. True when the
    // column changed.
    bool update(bool edited);
    bool pending() const { return tree.pending() || examples.pending(); }

    std::function<void(bool open)> showColumn;
    ui::LayerList* layerList = nullptr;
    ui::Button* layersButton = nullptr;
    ui::Button* examplesButton = nullptr;
    LayerTreeColumn tree;
    ExamplesColumn examples;
};
