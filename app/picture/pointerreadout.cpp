#include "app/picture/pointerreadout.h"

#include "app/layercontrols.h"
#include "layers/renderable.h"
#include "layers/viewresize.h"

#include <cstdio>

namespace pointerreadout {

bool pixelAt(const Renderable& layer, int x, int y, int areaWidth, int areaHeight, int* i, int* j)
{
    if (x < 0 || y < 0 || x >= areaWidth || y >= areaHeight) return false;
    if (layer.textureWidth <= 0 || layer.textureHeight <= 0) return false;
    // The texture is stretched over the area; normally they are the same size.
    const long long column = static_cast<long long>(x) * layer.textureWidth / areaWidth;
    const long long rowFromTop = static_cast<long long>(y) * layer.textureHeight / areaHeight;
    *i = static_cast<int>(column);
    *j = layer.textureHeight - 1 - static_cast<int>(rowFromTop);
    return true;
}

bool tilePointAt(int x, int y, int areaWidth, int areaHeight, int tileWidth, int tileHeight, int* tx, int* ty)
{
    if (x < 0 || y < 0 || x >= areaWidth || y >= areaHeight || tileWidth <= 0 || tileHeight <= 0) return false;
    const int fromBottom = areaHeight - 1 - y;
    if (x >= 2 * tileWidth || fromBottom >= 2 * tileHeight) return false;
    *tx = x % tileWidth;
    *ty = tileHeight - 1 - fromBottom % tileHeight;
    return true;
}

std::string text(const Renderable& layer, int i, int j)
{
    float lx = static_cast<float>(i);
    float ly = static_cast<float>(j);
    layer.mapping.windowToLayer(lx, ly);
    const float value = layer.pixelValue(i, j);
    char line[160];
    std::snprintf(line, sizeof line, "x %.4f  y %.4f  value %.4f", static_cast<double>(lx), static_cast<double>(ly),
                  static_cast<double>(value));
    return line;
}

} // namespace pointerreadout

void PointerReadout::show(int x, int y)
{
    InfoLine& line = controls.infoLine;
    // An outcome reported since the pointer last moved stays in view: the
    // window hears of the pointer again when a dialog closes, without a move.
    if (line.coversPointer && x == pointerX && y == pointerY) return;
    line.coversPointer = false;
    pointerX = x;
    pointerY = y;
    const Renderable* layer = controls.currentLayer;
    const int width = controls.viewportWidth, height = controls.viewportHeight;
    int i = 0, j = 0;
    if (controls.picture.tilePreview) {
        // The tile under the pointer is the layer at half size: a copy of
        // the tree at that size reads it.
        const viewresize::Size tile = controls.picture.tileSize();
        int tx = 0, ty = 0;
        if (!layer || !pointerreadout::tilePointAt(x, y, width, height, tile.width, tile.height, &tx, &ty)) {
            clear();
            return;
        }
        Composition half(controls.currentComposition());
        if (!half.tree) return;
        viewresize::resizeKeepingView(*half.tree, tile.width, tile.height);
        if (pointerreadout::pixelAt(*half.tree, tx, ty, tile.width, tile.height, &i, &j))
            line.setHoverText(pointerreadout::text(*half.tree, i, j));
        return;
    }
    if (!layer || !pointerreadout::pixelAt(*layer, x, y, width, height, &i, &j)) {
        clear();
        return;
    }
    line.setHoverText(pointerreadout::text(*layer, i, j));
}

void PointerReadout::clear()
{
    controls.infoLine.setHoverText("");
}
