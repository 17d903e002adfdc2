#include "layers/viewpicture.h"

#include <algorithm>

namespace viewpicture {

Values::Values(int w, int h, int s)
    : values(static_cast<std::size_t>(std::max(w, 0)) * static_cast<std::size_t>(std::max(h, 0))), width(w), height(h),
      step(s)
{
}

void Values::take(int row, int column, int count, const float* v)
{
    const int y0 = row * step;
    const int x0 = column * step;
    const int x1 = std::min(width, (column + count) * step);
    float* first = values.data() + static_cast<std::size_t>(y0) * width;
    for (int x = x0; x < x1; ++x) first[x] = v[(x - x0) / step];
    for (int y = y0 + 1; y < std::min(height, y0 + step); ++y)
        std::copy(first + x0, first + x1, values.data() + static_cast<std::size_t>(y) * width + x0);
}

std::vector<std::uint8_t> colours(const std::vector<float>& values, int width, int height, const ViewAs& view,
                                  bool wrap)
{
    std::vector<std::uint8_t> rgb;
    if (view.kind == ViewAs::Kind::grey || width <= 0 || height <= 0 ||
        values.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return rgb;
    const std::size_t w = static_cast<std::size_t>(width);
    rgb.resize(3 * w * static_cast<std::size_t>(height));
    if (view.kind == ViewAs::Kind::ramp) {
        view.ramp.row8(values.data(), values.size(), rgb.data());
        return rgb;
    }
    normalmap::field8(values.data(), w, static_cast<std::size_t>(height), /*topFirst=*/false, wrap, view.normal,
                      rgb.data());
    return rgb;
}

} // namespace viewpicture
