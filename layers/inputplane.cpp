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

void InputPlane::pixelRow(const Renderable& input, int y, int x, int count, float* out, int step)
{
    if (y < bottom || y >= static_cast<long long>(bottom) + rows) {
        input.pixelRow(y, x, count, out, step);
        return;
    }
    // Runs of pixels the plane cannot answer go to the input whole, so a
    // row still uses the input's row evaluation (its SIMD lanes).
    const auto at = [&](int k) { return static_cast<long long>(x) + static_cast<long long>(k) * step; };
    const auto outside = [&](int k) { return at(k) < left || at(k) >= static_cast<long long>(left) + columns; };
    int k = 0;
    while (k < count) {
        int end = k + 1;
        if (outside(k)) {
            while (end < count && outside(end)) ++end;
            input.pixelRow(y, static_cast<int>(at(k)), end - k, out + k, step);
            k = end;
            continue;
        }
        const std::size_t first = index(static_cast<int>(at(k)), y);
        if (known[first].load(std::memory_order_acquire)) {
            out[k] = values[first].load(std::memory_order_relaxed);
            ++k;
            continue;
        }
        while (end < count && !outside(end) && !known[index(static_cast<int>(at(end)), y)].load(std::memory_order_acquire))
            ++end;
        input.pixelRow(y, static_cast<int>(at(k)), end - k, out + k, step);
        for (int j = k; j < end; ++j) {
            const std::size_t i = index(static_cast<int>(at(j)), y);
            values[i].store(out[j], std::memory_order_relaxed);
            known[i].store(1, std::memory_order_release);
        }
        k = end;
    }
}
