#include "app/picture/layerstats.h"

#include <cstdio>
#include <vector>

namespace layerstats {

int binOf(float value)
{
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return binCount - 1;
    const int bin = static_cast<int>(value * binCount);
    return bin < binCount ? bin : binCount - 1;
}

Accumulator::Accumulator(int rows) : rows_(static_cast<std::size_t>(rows > 0 ? rows : 0)) {}

void Accumulator::addRun(int row, const float* values, int count)
{
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    Row& r = rows_[static_cast<std::size_t>(row)];
    for (int k = 0; k < count; ++k) {
        const float v = values[k];
        if (v != v) continue;   // NaN has no place in the line or the bars
        if (r.count == 0) r.min = r.max = v;
        r.min = v < r.min ? v : r.min;
        r.max = v > r.max ? v : r.max;
        r.sum += v;
        ++r.count;
        ++r.bins[binOf(v)];
    }
}

void Accumulator::take(int row, int /*column*/, int count, const float* values)
{
    addRun(row, values, count);
}

Stats Accumulator::result() const
{
    Stats stats;
    double sum = 0.0;
    for (const Row& r : rows_) {
        if (r.count == 0) continue;
        if (stats.count == 0 || r.min < stats.min) stats.min = r.min;
        if (stats.count == 0 || r.max > stats.max) stats.max = r.max;
        stats.count += r.count;
        sum += r.sum;
        for (int b = 0; b < binCount; ++b) stats.bins[b] += r.bins[b];
    }
    if (stats.count > 0) stats.mean = sum / static_cast<double>(stats.count);
    return stats;
}

std::string caption(const Stats& stats)
{
    if (stats.count == 0) return "no values";
    char text[128];
    std::snprintf(text, sizeof text, "min %.4f  max %.4f\nmean %.4f", static_cast<double>(stats.min),
                  static_cast<double>(stats.max), stats.mean);
    return text;
}

std::vector<float> bars(const Stats& stats)
{
    std::vector<float> fractions(binCount, 0.0f);
    if (stats.count == 0) return fractions;
    for (int b = 0; b < binCount; ++b)
        fractions[b] = static_cast<float>(static_cast<double>(stats.bins[b]) / static_cast<double>(stats.count));
    return fractions;
}

} // namespace layerstats
