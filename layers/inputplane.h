#pragma once
// The values of one input layer over a window of its pixels, kept between
// renders of the layer it drives.
//
// A layer reads a driven variable at pixels of its input; evaluating the
// input there costs its whole subtree. A plane remembers every value once it
// has been evaluated, so the next read of that pixel (later in the same
// render, or in a later render of an edit that left the input's subtree as
// it was) is a load instead of a subtree. It is filled by the reads
// themselves, so it costs no evaluation of its own; a read outside the
// window is evaluated as without a plane. The values are the input's own
// pixelValue, bit for bit, so a picture made with a plane has the bytes of
// one made without.
//
// The rows of a render read it from several threads at once: a value is
// published with its "known" mark, and two threads that evaluate the same
// pixel store the same bits.
#include <atomic>
#include <cstdint>
#include <memory>

class Renderable;

class InputPlane {
public:
    // Pixels [x0, x0 + width) x [y0, y0 + height) of the input.
    InputPlane(int x0, int y0, int width, int height);

    int x0() const { return left; }
    int y0() const { return bottom; }
    int width() const { return columns; }
    int height() const { return rows; }

    // input.pixelValue(x, y), and input.pixelRow(y, x, count, out, step),
    // through the plane. input must be the layer whose values it holds.
    float pixelValue(const Renderable& input, int x, int y);
    void pixelRow(const Renderable& input, int y, int x, int count, float* out, int step = 1);

private:
    bool inside(long long x, long long y) const
    {
        return x >= left && x < static_cast<long long>(left) + columns && y >= bottom &&
               y < static_cast<long long>(bottom) + rows;
    }
    std::size_t index(int x, int y) const
    {
        return static_cast<std::size_t>(y - bottom) * static_cast<std::size_t>(columns) +
               static_cast<std::size_t>(x - left);
    }

    int left, bottom, columns, rows;
    std::unique_ptr<std::atomic<float>[]> values;
    std::unique_ptr<std::atomic<std::uint8_t>[]> known;
};
