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

float torusNoise(Turn tx, float rx, Turn ty, float ry)
{
    return gainClamped(GradientNoise::sample4(rx * tx.cosine, rx * tx.sine, ry * ty.cosine, ry * ty.sine));
}

void torusNoiseRow(float* cosines, float* sines, float rx, Turn ty, float ry, int count, float* out)
{
    for (int k = 0; k < count; ++k) {
        cosines[k] = rx * cosines[k];
        sines[k] = rx * sines[k];
    }
    GradientNoise::sample4Row(cosines, sines, ry * ty.cosine, ry * ty.sine, count, out);
    for (int k = 0; k < count; ++k) out[k] = gainClamped(out[k]);
}

void ColumnTurns::turns(const WindowMapping& mapping, int width, float extent, const float* xs, int x0, int count,
                        float* cosines, float* sines) const
{
    std::shared_ptr<const Table> current = std::atomic_load(&table);
    const bool inTexture = x0 >= 0 && count > 0 && x0 + count <= width;
    const auto stale = [&](const Table& t) {
        return t.extent != extent || static_cast<int>(t.xs.size()) != width ||
               std::memcmp(&t.xs[x0], xs, sizeof(float) * count) != 0;
    };
    if (inTexture && (!current || stale(*current))) {
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
        current = fresh;
        std::atomic_store(&table, current);
    }
    // Each column is taken from the table only where the table's coordinate
    // is this one, so the values are turnOf's whatever the table holds.
    for (int k = 0; k < count; ++k) {
        const int column = x0 + k;
        if (current && column >= 0 && column < static_cast<int>(current->xs.size()) && current->extent == extent &&
            current->xs[column] == xs[k]) {
            cosines[k] = current->cosines[column];
            sines[k] = current->sines[column];
        } else {
            const Turn t = turnOf(xs[k], extent);
            cosines[k] = t.cosine;
            sines[k] = t.sine;
        }
    }
}

} // namespace seamless
