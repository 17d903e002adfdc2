#include "app/column/previewsize.h"

namespace previewsize {

int height(int areaWidth, int areaHeight)
{
    if (areaWidth <= 0 || areaHeight <= 0) return width;
    // Rounded half up in integers: no float decides a pixel.
    const long long twice = 2LL * width * areaHeight;
    const long long rounded = (twice + areaWidth) / (2LL * areaWidth);
    return rounded < 1 ? 1 : rounded > maxHeight ? maxHeight : static_cast<int>(rounded);
}

} // namespace previewsize
