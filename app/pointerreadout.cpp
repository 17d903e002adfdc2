#include "app/pointerreadout.h"

#include "layers/renderable.h"

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
