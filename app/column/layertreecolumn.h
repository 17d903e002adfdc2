#pragma once
// The layer tree column: every layer of the composition in tree order with
// its preview, the current one marked. A click on a row makes its layer
// current, as a step of the path does; the previews are kept in step with
// the composition and start once the drawing area's picture is final.
#include "app/column/layerpreviews.h"
#include "app/column/layertree.h"

#include <vector>

class LayerControls;

namespace ui {
class LayerList;
}

class LayerTreeColumn {
public:
    explicit LayerTreeColumn(LayerControls& controls) : controls(controls) {}

    // The column opens at the current row, wherever it was scrolled when it
    // closed; closing it drops its rows and previews.
    void open();
    void close();
    // The rows again, after the composition changed.
    void refresh();
    // The current layer's row is marked and scrolled into view.
    void markCurrentRow();
    void onRow(int row);
    // Once per tick: the rows after an edit, and the previews. True when the
    // column changed.
    bool update(bool edited);
    // Previews are still being made for the rows in view.
    bool pending() const { return isOpen && previews.pending(); }

    bool isOpen = false;
    ui::LayerList* list = nullptr;   // shared with the examples; owned by its window
    std::vector<layertree::Row> rows;
    LayerPreviews previews;

private:
    LayerControls& controls;
};
