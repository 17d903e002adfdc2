#include "generators/seamless.h"

#include "generators/gradientnoise.h"
#include "layers/rowkernels.h"

#include <atomic>
#include <cmath>
#include <cstring>

namespace seamless {

namespace {
constexpr double twoPi = 6.283185307179586476925286766559;
}

Turn turnOf(float coordinate, float extent)
{
    const double q = static_cast<double>(coordinate) / static_cast<double>(extent);
    const double angle = twoPi * (q - std::floor(q));
    return {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle))};
}

float radiusOf(float extent)
{
    return static_cast<float>(static_cast<double>(extent) / twoPi);
}

float torusNoise(const GradientNoise::noisetables::TableSet& tables, Turn tx, float rx, Turn ty, float ry)
{
    return gainClamped(GradientNoise::sample4(tables, rx * tx.cosine, rx * tx.sine, ry * ty.cosine, ry * ty.sine));
}

void torusNoiseRow(const GradientNoise::noisetables::TableSet& tables, const float* cosines, const float* sines,
                   float rx, Turn ty, float ry, int count, float* out)
{
    GradientNoise::sample4TorusRow(tables, cosines, sines, rx, ry * ty.cosine, ry * ty.sine, noiseGain, count, out);
}

void torusNoisePoints(const GradientNoise::noisetables::TableSet& tables, const float* xpos, const float* ypos,
                      float extentX, float extentY, int count, float* out)
{
    constexpr int run = 256;
    const float rx = radiusOf(extentX), ry = radiusOf(extentY);
    for (int done = 0; done < count; done += run) {
        const int part = count - done < run ? count - done : run;
        float cx[run], sx[run], zs[run], ws[run];
        for (int k = 0; k < part; ++k) {
            const Turn tx = turnOf(xpos[done + k], extentX);
            const Turn ty = turnOf(ypos[done + k], extentY);
            cx[k] = tx.cosine;
            sx[k] = tx.sine;
            zs[k] = ry * ty.cosine;
            ws[k] = ry * ty.sine;
        }
        GradientNoise::sample4TorusPoints(tables, cx, sx, rx, zs, ws, noiseGain, part, out + done);
    }
}

void ColumnTurns::turns(const WindowMapping& mapping, int width, float extent, const float* xs, int x0, int count,
                        float* cosines, float* sines, int step) const
{
    if (count <= 0) return;
    // The table serves a run of the texture's columns whose coordinates are
    // the table's, bit for bit, so its values are turnOf's whatever it holds.
    const bool inTexture =
        width <= maxTableColumns && x0 >= 0 && x0 + static_cast<long long>(count - 1) * step < width;
    const auto serves = [&](const Table& t) {
        if (t.extent != extent || static_cast<int>(t.xs.size()) != width) return false;
        if (step == 1) return std::memcmp(&t.xs[x0], xs, sizeof(float) * count) == 0;
        for (int k = 0; k < count; ++k)
            if (std::memcmp(&t.xs[x0 + k * step], &xs[k], sizeof(float)) != 0) return false;
        return true;
    };
    std::shared_ptr<const Table> current;
    if (inTexture) {
        current = std::atomic_load(&table);
        if (!current || !serves(*current)) {
            auto fresh = std::make_shared<Table>();
            fresh->extent = extent;
            fresh->xs.resize(width);
            fresh->cosines.resize(width);
            fresh->sines.resize(width);
            rowkernels::layerX(mapping, 0, width, fresh->xs.data());
            for (int i = 0; i < width; ++i) {
                const Turn t = turnOf(fresh->xs[i], extent);
                fresh->cosines[i] = t.cosine;
                fresh->sines[i] = t.sine;
            }
            std::atomic_store(&table, std::shared_ptr<const Table>(fresh));
            current = serves(*fresh) ? fresh : nullptr;
        }
    }
    if (current && step == 1) {
        std::memcpy(cosines, &current->cosines[x0], sizeof(float) * count);
        std::memcpy(sines, &current->sines[x0], sizeof(float) * count);
        return;
    }
    if (current) {
        for (int k = 0; k < count; ++k) {
            cosines[k] = current->cosines[x0 + k * step];
            sines[k] = current->sines[x0 + k * step];
        }
        return;
    }
    for (int k = 0; k < count; ++k) {
        const Turn t = turnOf(xs[k], extent);
        cosines[k] = t.cosine;
        sines[k] = t.sine;
    }
}

} // namespace seamless
