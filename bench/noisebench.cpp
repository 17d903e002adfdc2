// The 2-D noise per sample: the scalar sample2, the batched kernel on the
// processor's best target and on each target forced, and one
// octave of libnoise's Perlin module as a yardstick. "per_sample" is the
// time of one sample.
#include "generators/gradientnoise.h"
#include "generators/noisetables.h"
#include "layers/simdtargets.h"

#include <benchmark/benchmark.h>
#include <noise.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int pointCount = 4096;

// Points spread over a default view (20 x 20 units), as a Noise layer asks.
struct Points {
    std::vector<float> xs, ys;
    Points()
    {
        for (int k = 0; k < pointCount; ++k) {
            xs.push_back(-10.0f + 20.0f * static_cast<float>(k % 64) / 64.0f + 0.013f * static_cast<float>(k / 64));
            ys.push_back(-10.0f + 20.0f * static_cast<float>(k / 64) / 64.0f);
        }
    }
};

const Points& points()
{
    static const Points p;
    return p;
}

void countSamples(benchmark::State& state)
{
    state.counters["per_sample"] =
        benchmark::Counter(pointCount, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void Sample2Scalar(benchmark::State& state)
{
    const Points& p = points();
    for (auto _ : state) {
        float sum = 0;
        for (int k = 0; k < pointCount; ++k) sum += GradientNoise::sample2(p.xs[k], p.ys[k]);
        benchmark::DoNotOptimize(sum);
    }
    countSamples(state);
}

void Sample2Batched(benchmark::State& state)
{
    const Points& p = points();
    std::vector<float> out(pointCount);
    for (auto _ : state) {
        GradientNoise::sample2Batch(p.xs.data(), p.ys.data(), pointCount, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    countSamples(state);
}

// The batched noise on one target, forced, whatever the processor's best.
void Sample2BatchedOn(benchmark::State& state, simdtargets::Target target)
{
    simdtargets::Forced forced(target);
    Sample2Batched(state);
}

// One Sample2BatchedOn/<target> per target this build and processor have.
const bool registered = [] {
    for (const simdtargets::Target& target : simdtargets::available())
        benchmark::RegisterBenchmark((std::string("Sample2BatchedOn/") + target.name).c_str(), Sample2BatchedOn,
                                     target);
    return true;
}();

// The 4-D noise along rows of a torus of circumference 20, as a seamless
// Noise layer at the default view asks it.
struct TorusPoints {
    std::vector<float> xs, ys, zs, ws;
    TorusPoints()
    {
        const float radius = 20.0f / 6.2831853f;
        for (int k = 0; k < pointCount; ++k) {
            const float a = 6.2831853f * static_cast<float>(k % 64) / 64.0f, b = 6.2831853f * static_cast<float>(k / 64) / 64.0f;
            xs.push_back(radius * std::cos(a));
            ys.push_back(radius * std::sin(a));
            zs.push_back(radius * std::cos(b));
            ws.push_back(radius * std::sin(b));
        }
    }
};

void Sample4Scalar(benchmark::State& state)
{
    static const TorusPoints p;
    for (auto _ : state) {
        float sum = 0;
        for (int k = 0; k < pointCount; ++k) sum += GradientNoise::sample4(p.xs[k], p.ys[k], p.zs[k], p.ws[k]);
        benchmark::DoNotOptimize(sum);
    }
    countSamples(state);
}

void Sample4Rows(benchmark::State& state)
{
    static const TorusPoints p;
    const auto& tables = GradientNoise::noisetables::defaultTables();
    std::vector<float> out(pointCount);
    for (auto _ : state) {
        // Gain -1: the noise itself, unscaled and unclamped.
        for (int row = 0; row < pointCount; row += 64)
            GradientNoise::sample4TorusRow(tables, &p.xs[row], &p.ys[row], 1.0f, p.zs[row], p.ws[row], -1.0f, 64,
                                           &out[row]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    countSamples(state);
}

void LibnoisePerlinOneOctave(benchmark::State& state)
{
    const Points& p = points();
    noise::module::Perlin perlin;
    perlin.SetOctaveCount(1);
    for (auto _ : state) {
        double sum = 0;
        for (int k = 0; k < pointCount; ++k) sum += perlin.GetValue(p.xs[k], p.ys[k], 0.0);
        benchmark::DoNotOptimize(sum);
    }
    countSamples(state);
}

} // namespace

BENCHMARK(Sample2Scalar);
BENCHMARK(Sample2Batched);
BENCHMARK(LibnoisePerlinOneOctave);
BENCHMARK(Sample4Scalar);
BENCHMARK(Sample4Rows);
