#include "app/layerstats.h"

#include "layers/renderable.h"
#include "layers/workerpool.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace layerstats {

namespace {

// What one band of rows adds up to; bands are merged in order, so the mean
// is the same sum whichever threads did the work.
struct Partial {
    long long count = 0;
    float min = 0.0f, max = 0.0f;
    double sum = 0.0;
    std::array<long long, binCount> bins{};
};

// One row's values into a band's sums. NaN is left out; min and max start
// from the first number seen.
void addRow(Partial& p, const float* values, int count)
{
    float lo = p.min, hi = p.max;
    double sum = 0.0;
    long long counted = 0;
    for (int k = 0; k < count; ++k) {
        const float v = values[k];
        if (v != v) continue;
        if (p.count + counted == 0) lo = hi = v;
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
        sum += v;
        ++counted;
        ++p.bins[binOf(v)];
    }
    p.min = lo;
    p.max = hi;
    p.sum += sum;
    p.count += counted;
}

} // namespace

int binOf(float value)
{
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return binCount - 1;
    const int bin = static_cast<int>(value * binCount);
    return bin < binCount ? bin : binCount - 1;
}

Stats measure(const Renderable& layer, const std::atomic<bool>* stop)
{
    Stats stats;
    const int width = layer.textureWidth, height = layer.textureHeight;
    if (width <= 0 || height <= 0) return stats;

    struct Work {
        const Renderable* layer;
        const std::atomic<bool>* stop;
        int width, height, rowsPerBand;
        std::vector<Partial> partials;
    };
    const int bandCount = std::min(height, WorkerPool::instance().threadCount() * 8);
    Work work{&layer, stop, width, height, (height + bandCount - 1) / bandCount, std::vector<Partial>(bandCount)};
    WorkerPool::instance().run(bandCount, [](void* context, int band) {
        Work& w = *static_cast<Work*>(context);
        Partial& p = w.partials[band];
        std::vector<float> values(static_cast<std::size_t>(w.width));
        const int end = std::min((band + 1) * w.rowsPerBand, w.height);
        for (int j = band * w.rowsPerBand; j < end; ++j) {
            if (w.stop && w.stop->load(std::memory_order_relaxed)) return;
            w.layer->pixelRow(j, 0, w.width, values.data());
            addRow(p, values.data(), w.width);
        }
    }, &work);

    double sum = 0.0;
    for (const Partial& p : work.partials) {
        if (p.count == 0) continue;
        if (stats.count == 0 || p.min < stats.min) stats.min = p.min;
        if (stats.count == 0 || p.max > stats.max) stats.max = p.max;
        stats.count += p.count;
        sum += p.sum;
        for (int b = 0; b < binCount; ++b) stats.bins[b] += p.bins[b];
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
