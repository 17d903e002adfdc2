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

namespace {

// One list at a time, in the same width: the other makes way, and the
// column is shown or taken off only when that changes.
template <typename List, typename Other>
void toggle(List& list, Other& other, const std::function<void(bool)>& showColumn)
{
    const bool shown = list.isOpen || other.isOpen;
    if (other.isOpen) other.close();
    if (list.isOpen) list.close();
    else list.open();
    if (showColumn && list.isOpen != shown) showColumn(list.isOpen);
}

} // namespace

void SideColumn::onLayers()
{
    toggle(tree, examples, showColumn);
}

void SideColumn::onExamples()
{
    toggle(examples, tree, showColumn);
}

void SideColumn::closed()
{
    if (tree.isOpen) tree.close();
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
