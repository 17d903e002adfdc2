#pragma once
// What the drawing area shows of a picture's values under a view other than
// Grey: the normal map or the colour ramp of layers/viewas.h, as RGB bytes.
// Only the shown picture changes; the values, the grey bytes and the
// statistics made of them stay as they are.
#include "layers/rowloop.h"
#include "layers/viewas.h"

#include <cstdint>
#include <vector>

namespace viewpicture {

// Keeps the values of an area, area pixel (c, r) at values[r * width + c]
// for a step of 1; with a larger step (a coarse picture) each value fills
// its step x step block of a width x height picture, as the grey blocks do.
class Values : public rowloop::Sink {
public:
    Values(int width, int height, int step = 1);
    void take(int row, int column, int count, const float* values) override;
    std::vector<float> values;

private:
    int width, height, step;
};

// The RGB bytes (8 bits) of view over values, a width x height picture with
// row 0 at the bottom, as a texture holds it. A normal map's neighbours
// across the edges are the nearest pixels, or those of the far side when
// wrap (a seamless scene). Empty for Grey.
std::vector<std::uint8_t> colours(const std::vector<float>& values, int width, int height, const ViewAs& view,
                                  bool wrap);

} // namespace viewpicture
