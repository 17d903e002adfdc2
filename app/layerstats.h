#pragma once
// The current layer's values over the drawing area: minimum, maximum, mean
// and a histogram, of the floats the pixels show (before they become bytes).
// measure only reads the layer, so a render on another thread can call it
// on its own copy, and several calls may run at once.
#include <array>
#include <atomic>
#include <string>
#include <vector>

class Renderable;

namespace layerstats {

constexpr int binCount = 32;   // bins of equal width over [0, 1]

struct Stats {
    long long count = 0;       // pixels with a number for a value (NaN left out)
    float min = 0.0f;
    float max = 0.0f;
    double mean = 0.0;
    // Values below 0 count in the first bin, 1 and above in the last.
    std::array<long long, binCount> bins{};
};

// Every pixel of the layer's texture, evaluated as its texture shows it
// (pixelValue), rows shared out among the worker threads. When stop is given
// and becomes true the rest of the rows are skipped: the result is then
// incomplete, for a caller that throws it away.
Stats measure(const Renderable& layer, const std::atomic<bool>* stop = nullptr);

// Which bin a value falls into.
int binOf(float value);

// "min 0.0000  max 1.0000\nmean 0.4235", or "no values" for an empty layer.
std::string caption(const Stats& stats);

// The bins as fractions of all counted pixels.
std::vector<float> bars(const Stats& stats);

} // namespace layerstats
