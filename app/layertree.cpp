#include "app/layertree.h"

#include "layers/layerpath.h"
#include "layers/renderable.h"
#include "layers/treewalk.h"

#include <utility>

namespace layertree {

std::vector<Row> rows(Renderable* base)
{
    std::vector<Row> out;
    treewalk::forEach(base, [&out](Renderable& layer, int depth) {
        out.push_back({&layer, depth, layerpath::stepText(layer)});
    });
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
