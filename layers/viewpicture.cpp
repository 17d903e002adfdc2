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
    const auto edge = [wrap](int i, int n) { return i < 0 ? (wrap ? n - 1 : 0) : i >= n ? (wrap ? 0 : n - 1) : i; };
    std::vector<float> centre(w + 2);
    for (int j = 0; j < height; ++j) {
        const float* row = values.data() + static_cast<std::size_t>(j) * w;
        std::copy(row, row + w, centre.begin() + 1);
        centre[0] = row[edge(-1, width)];
        centre[w + 1] = row[edge(width, width)];
        // Row 0 is the bottom: the row above on screen is the next one.
        const float* above = values.data() + static_cast<std::size_t>(edge(j + 1, height)) * w;
        const float* below = values.data() + static_cast<std::size_t>(edge(j - 1, height)) * w;
        normalmap::row8(above, centre.data(), below, w, view.normal, rgb.data() + 3 * w * static_cast<std::size_t>(j));
    }
    return rgb;
}

} // namespace viewpicture
