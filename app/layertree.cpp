#include "app/layertree.h"

#include "app/layerpath.h"
#include "layers/renderable.h"

#include <utility>

namespace layertree {

std::vector<Row> rows(Renderable* base)
{
    std::vector<Row> out;
    if (!base) return out;
    // A stack of the layers still to visit, the next one on top: a layer's
    // inputs are pushed last to first so the first variable's comes next.
    std::vector<std::pair<Renderable*, int>> pending{{base, 0}};
    while (!pending.empty()) {
        const auto [layer, depth] = pending.back();
        pending.pop_back();
        out.push_back({layer, depth, layerpath::stepText(*layer)});
        for (int i = layer->variableCount - 1; i >= 0; --i)
            if (Renderable* input = layer->variables[i].getInputLayer()) pending.push_back({input, depth + 1});
    }
    return out;
}

int indexOf(const std::vector<Row>& rows, const Renderable* layer)
{
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].layer == layer) return static_cast<int>(i);
    return -1;
}

int indent(int depth)
{
    return indentStep * (depth < indentLevels ? (depth > 0 ? depth : 0) : indentLevels);
}

std::string depthMark(int depth)
{
    return depth > indentLevels ? std::to_string(depth) : std::string();
}

int navigate(const std::vector<int>& depths, int selected, Move move)
{
    const int count = static_cast<int>(depths.size());
    if (count == 0) return -1;
    if (selected < 0 || selected >= count) return move == Move::End ? count - 1 : 0;
    const auto depth = [&](int row) { return depths[static_cast<std::size_t>(row)]; };
    switch (move) {
    case Move::Up: return selected > 0 ? selected - 1 : selected;
    case Move::Down: return selected + 1 < count ? selected + 1 : selected;
    case Move::Home: return 0;
    case Move::End: return count - 1;
    case Move::Right: return selected + 1 < count && depth(selected + 1) == depth(selected) + 1 ? selected + 1 : selected;
    case Move::Left:
        for (int row = selected - 1; row >= 0; --row)
            if (depth(row) < depth(selected)) return depth(row) == depth(selected) - 1 ? row : selected;
        return selected;
    }
    return selected;
}

} // namespace layertree
