#pragma once
// The current layer's values over the drawing area: minimum, maximum, mean
// and a histogram, of the floats the pixels show (before they become bytes),
// gathered by the render that makes the pixels.
#include "layers/rowloop.h"

#include <array>
#include <string>
#include <vector>

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

// Collects the values of a picture's rows as a render produces them, each
// row on whichever thread evaluates it (a sink of rowloop::evaluate), and adds
// them up in row order, so the result is the same whichever threads did the
// work.
class Accumulator : public rowloop::Sink {
public:
    explicit Accumulator(int rows);
    // Thread-safe between rows: calls for one row come from one thread.
    void addRun(int row, const float* values, int count);
    void take(int row, int column, int count, const float* values) override;
    Stats result() const;

private:
    struct Row {
        long long count = 0;
        float min = 0.0f, max = 0.0f;
        double sum = 0.0;
        std::array<long long, binCount> bins{};
    };
    std::vector<Row> rows_;
};

// Which bin a value falls into.
int binOf(float value);

// "min 0.0000  max 1.0000\nmean 0.4235", or "no values" for an empty layer.
std::string caption(const Stats& stats);

// The bins as fractions of all counted pixels.
std::vector<float> bars(const Stats& stats);

} // namespace layerstats
