#include "app/column/sidecolumn.h"

#include "ui/controls.h"

#include <vector>

void SideColumn::build(ui::ControlWindow& window)
{
    layerList = window.add_layerlist("Layers", [this](int) { onRow(); });
    tree.list = layerList;
    examples.list = layerList;
}

void SideColumn::buildLayersButton(ui::ControlWindow& w)
{
    layersButton = w.add_button("Layers", [this](int) { onLayers(); });
}

void SideColumn::buildExamplesButton(ui::ControlWindow& w)
{
    examplesButton = w.add_button("Examples", [this](int) { onExamples(); });
}

void SideColumn::onLayers()
{
    // One list at a time: the examples make way, in the same width.
    const bool shown = isOpen();
    if (examples.isOpen) examples.close();
    if (tree.isOpen) tree.close();
    else tree.open();
    if (showColumn && tree.isOpen != shown) showColumn(tree.isOpen);
}

void SideColumn::onExamples()
{
    const bool shown = isOpen();
    if (tree.isOpen) tree.close();
    if (examples.isOpen) examples.close();
    else examples.open();
    if (showColumn && examples.isOpen != shown) showColumn(examples.isOpen);
}

void SideColumn::closed()
{
    if (tree.isOpen) tree.close();
    if (examples.isOpen) examples.close();
}

void SideColumn::onRow()
{
    if (!layerList) return;
    if (examples.isOpen) examples.openExample(layerList->chosen());
    else tree.onRow(layerList->chosen());
}

void SideColumn::onKey(layertree::Move move)
{
    if (!isOpen() || !layerList) return;
    std::vector<int> depths;
    if (tree.isOpen)
        for (const layertree::Row& row : tree.rows) depths.push_back(row.depth);
    else
        depths.assign(examples.examples.size(), 0);
    const int row = layertree::navigate(depths, layerList->selected(), move);
    layerList->set_selected(row);
    if (row >= 0) layerList->scroll_to(row);
}

void SideColumn::onReturn()
{
    if (!layerList || layerList->selected() < 0) return;
    layerList->choose(layerList->selected());
}

bool SideColumn::update(bool edited)
{
    const bool treeChanged = tree.update(edited);
    return examples.update() || treeChanged;
}
