#include "layers/inputplane.h"

#include "layers/renderable.h"

#include <algorithm>

InputPlane::InputPlane(int x0, int y0, int width, int height)
    : left(x0), bottom(y0), columns(std::max(width, 0)), rows(std::max(height, 0))
{
    const std::size_t count = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
    values.reset(new std::atomic<float>[count]);
    known.reset(new std::atomic<std::uint8_t>[count]());
}

float InputPlane::pixelValue(const Renderable& input, int x, int y)
{
    if (!inside(x, y)) return input.pixelValue(x, y);
    const std::size_t at = index(x, y);
    if (known[at].load(std::memory_order_acquire)) return values[at].load(std::memory_order_relaxed);
    const float value = input.pixelValue(x, y);
    values[at].store(value, std::memory_order_relaxed);
    known[at].store(1, std::memory_order_release);
    return value;
}

void InputPlane::pixelRow(const Renderable& input, int y, int x, int count, float* out)
{
    if (y < bottom || y >= static_cast<long long>(bottom) + rows) {
        input.pixelRow(y, x, count, out);
        return;
    }
    // Runs of pixels the plane cannot answer go to the input whole, so a
    // row still uses the input's row evaluation (its SIMD lanes).
    const long long right = static_cast<long long>(left) + columns;
    int k = 0;
    while (k < count) {
        const long long px = static_cast<long long>(x) + k;
        int end = k + 1;
        if (px < left || px >= right) {
            const long long stop = px < left ? left : static_cast<long long>(x) + count;
            end = static_cast<int>(std::min<long long>(stop - x, count));
            input.pixelRow(y, x + k, end - k, out + k);
            k = end;
            continue;
        }
        const std::size_t at = index(x + k, y);
        if (known[at].load(std::memory_order_acquire)) {
            out[k] = values[at].load(std::memory_order_relaxed);
            ++k;
            continue;
        }
        while (end < count && static_cast<long long>(x) + end < right &&
               !known[at + static_cast<std::size_t>(end - k)].load(std::memory_order_acquire))
            ++end;
        input.pixelRow(y, x + k, end - k, out + k);
        for (int j = k; j < end; ++j) {
            values[at + static_cast<std::size_t>(j - k)].store(out[j], std::memory_order_relaxed);
            known[at + static_cast<std::size_t>(j - k)].store(1, std::memory_order_release);
        }
        k = end;
    }
}

long long InputPlane::knownCount() const
{
    const std::size_t count = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
    long long n = 0;
    for (std::size_t i = 0; i < count; ++i) n += known[i].load(std::memory_order_relaxed);
    return n;
}
