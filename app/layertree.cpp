#include "app/layertree.h"

#include "app/layerpath.h"
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

} // namespace layertree
