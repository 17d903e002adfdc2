// The row kernels on SIMD lanes against their scalar definitions, on every
// target the processor runs: random and extreme inputs, every run length
// from one to a few vectors, evaluation in place.
#include "app/windowmapping.h"
#include "generators/celllanes.h"
#include "generators/cellmath.h"
#include "generators/patternlanes.h"
#include "generators/seedtables.h"
#include "generators/shapinglanes.h"
#include "layers/rowkernels.h"
#include "layers/saturate.h"
#include "layers/simdtargets.h"
#include "tests/support/everytarget.h"

#include "tests/support/floatbits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using floatbits::bitsOf;
using floatbits::inf;
using floatbits::nan;
using floatbits::sameFloat;

// Random floats of every kind: moderate numbers, the edges where lanes hand
// over to the scalar code, zeros of both signs, infinities, NaN and any
// bit pattern at all.
class Values {
public:
    explicit Values(unsigned seed) : random(seed) {}

    float next()
    {
        static const float edges[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 1e-45f, -1e-45f, 1e6f, -1e6f, 999999.9f,
                                      1073741760.0f, 1073741824.0f, -1073741824.0f, 2147483648.0f, 4194304.0f,
                                      -4194304.0f, 3e38f, -3e38f, inf, -inf, nan};
        switch (std::uniform_int_distribution<int>(0, 5)(random)) {
        case 0: return edges[std::uniform_int_distribution<int>(0, 20)(random)];
        case 1: {
            std::uint32_t bits = std::uniform_int_distribution<std::uint32_t>()(random);
            float f;
            std::memcpy(&f, &bits, sizeof f);
            return f;
        }
        case 2: return std::uniform_real_distribution<float>(-1e7f, 1e7f)(random);
        default: return std::uniform_real_distribution<float>(-2.0f, 2.0f)(random);
        }
    }

    std::vector<float> many(int count)
    {
        std::vector<float> v(count);
        for (float& f : v) f = next();
        return v;
    }

    std::mt19937 random;
};

constexpr int maxRun = 70;   // beyond four vectors of the widest target

TEST(RowKernels, LayerXIsWindowToLayerOnEveryTarget)
{
    onEveryTarget([] {
        std::mt19937 random(7);
        std::uniform_real_distribution<float> centre(-1e5f, 1e5f), extent(0.1f, 1e6f);
        for (int round = 0; round < 300; ++round) {
            WindowMapping mapping;
            const float x = round % 3 ? centre(random) : 0.0f;
            const float zoom = round % 5 ? extent(random) : 20.0f;
            mapping.setLayerRect(-10.0f, x + zoom / 2, x - zoom / 2, 10.0f);
            mapping.setWindowRect(0.0f, static_cast<float>(1 + round * 13), 0.0f, 100.0f);
            const int x0 = static_cast<int>(random() % 5000);
            const int count = 1 + round % maxRun;
            std::vector<float> out(count);
            rowkernels::layerX(mapping, x0, count, out.data());
            for (int k = 0; k < count; ++k) {
                float lx = static_cast<float>(x0 + k), ly = 0.0f;
                mapping.windowToLayer(lx, ly);
                ASSERT_TRUE(sameFloat(out[k], lx)) << "pixel " << x0 + k << ": " << out[k] << " instead of " << lx;
            }
        }
    });
}

TEST(RowKernels, GreyBytesAreGreyByteOnEveryTarget)
{
    onEveryTarget([] {
        Values values(11);
        for (int count = 1; count <= maxRun; ++count)
            for (int round = 0; round < 20; ++round) {
                std::vector<float> in = values.many(count);
                // Values just off the byte boundaries, where a product rounded
                // in single precision would truncate to the next byte.
                for (int k = 0; k < count; k += 3) in[k] = std::nextafter(static_cast<float>(k % 256) / 255.0f, 0.0f);
                std::vector<std::uint8_t> out(count);
                rowkernels::greyBytes(in.data(), count, out.data());
                for (int k = 0; k < count; ++k)
                    ASSERT_EQ(out[k], greyByte(in[k])) << "value " << in[k];
            }
    });
}

TEST(RowKernels, CutoffRowIsCutNoiseOnEveryTarget)
{
    onEveryTarget([] {
        Values values(13);
        std::mt19937 random(5);
        std::uniform_real_distribution<float> noise(-1.00001f, 1.00001f), cutoff(-1.0f, 1.0f);
        for (int count = 1; count <= maxRun; ++count)
            for (int round = 0; round < 20; ++round) {
                std::vector<float> n(count), cut(count);
                for (int k = 0; k < count; ++k) {
                    // Mostly what the layer sees, sometimes anything at all.
                    n[k] = round % 4 ? noise(random) : values.next();
                    cut[k] = round % 3 ? cutoff(random) : values.next();
                    if (k % 5 == 0) cut[k] = (n[k] + 1.0f) * 0.5f;   // h equal to the Cutoff
                    if (k % 7 == 0) cut[k] = 1.0f;
                }
                const float one = round % 3 ? cutoff(random) : values.next();
                std::vector<float> out = n, fixed = n;
                patternlanes::cutNoiseRow(cut.data(), count, out.data());
                patternlanes::cutNoiseRow(one, count, fixed.data());
                for (int k = 0; k < count; ++k) {
                    ASSERT_TRUE(sameFloat(out[k], patternlanes::cutNoise(n[k], cut[k])))
                        << "noise " << n[k] << ", cut " << cut[k] << ": " << out[k];
                    ASSERT_TRUE(sameFloat(fixed[k], patternlanes::cutNoise(n[k], one)))
                        << "noise " << n[k] << ", one cut " << one << ": " << fixed[k];
                }
            }
    });
}

TEST(RowKernels, SquareAndDiscTestsAreTheScalarOnesOnEveryTarget)
{
    onEveryTarget([] {
        Values values(17);
        std::mt19937 random(3);
        std::uniform_real_distribution<float> layer(-40.0f, 40.0f), side(0.001f, 10.0f);
        for (int count = 1; count <= maxRun; ++count)
            for (int round = 0; round < 20; ++round) {
                std::vector<float> x(count), w(count), r(count), s(count);
                for (int k = 0; k < count; ++k) {
                    x[k] = round % 4 ? layer(random) : values.next();
                    if (k % 6 == 0) x[k] = std::round(x[k] / 5) * 5;   // on the grid lines
                    w[k] = round % 3 ? side(random) : values.next();
                    r[k] = round % 3 ? side(random) : values.next();
                    s[k] = round % 5 ? side(random) : (k % 2 ? -2 * r[k] : values.next());   // period 0 too
                }
                const float y = round % 2 ? layer(random) : values.next();
                const float v = wrapPositive(y, 5.0f);

                std::vector<float> squares = x;
                patternlanes::insideSquaresRow(squares.data(), v, 5.0f, w.data(), count, squares.data());
                std::vector<float> discs = x;
                patternlanes::insideDiscsRow(discs.data(), y, r.data(), s.data(), count, discs.data());
                for (int k = 0; k < count; ++k) {
                    const float square = patternlanes::insideSquareOfSide(wrapPositive(x[k], 5.0f), v, w[k]) ? 1.0f : 0.0f;
                    const float disc = patternlanes::insideDisc(x[k], y, r[k], s[k]) ? 1.0f : 0.0f;
                    ASSERT_TRUE(sameFloat(squares[k], square)) << "x " << x[k] << ", v " << v << ", width " << w[k];
                    ASSERT_TRUE(sameFloat(discs[k], disc))
                        << "x " << x[k] << ", y " << y << ", radius " << r[k] << ", spacing " << s[k];
                }
            }
    });
}

// Rows of neighbouring points as a view gives them, at steps from a
// fraction of a cell to many cells, near the origin and near the limit of
// 2^24; sometimes anything at all.
std::vector<float> pointRow(Values& values, std::mt19937& random, int count, int round)
{
    static const float starts[] = {-3.7f, 0.0f, 250.5f, -1e5f, 16777200.0f, -16777220.0f, 8388600.0f};
    static const float steps[] = {0.0007f, 0.01f, 0.3f, 1.0f, 7.7f, 400.0f};
    std::vector<float> x(count);
    const float start = starts[round % 7] + std::uniform_real_distribution<float>(0, 3)(random);
    const float step = steps[round % 6];
    for (int k = 0; k < count; ++k) x[k] = round % 5 ? start + step * static_cast<float>(k) : values.next();
    return x;
}

TEST(RowKernels, FractalRidgedCellsAndBlendRowsAreTheScalarOnesOnEveryTarget)
{
    const std::shared_ptr<const seedtables::TableSet> tableSets[3] = {
        seedtables::acquire(0), seedtables::acquire(77), seedtables::permutationOnly(4294967295u)};
    ASSERT_TRUE(tableSets[1]->derived());
    onEveryTarget([&] {
        Values values(23);
        std::mt19937 random(11);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f), lacunarity(1.0f, 4.0f);
        for (int count = 1; count <= maxRun; ++count)
            for (int round = 0; round < 14; ++round) {
                const std::vector<float> x = pointRow(values, random, count, round);
                const float y = pointRow(values, random, 1, round + count)[0];
                std::vector<float> a(count), b(count), m(count);
                std::vector<std::uint8_t> oct(count);
                for (int k = 0; k < count; ++k) {
                    // Mostly what variables hold, sometimes anything at all.
                    a[k] = round % 4 ? unit(random) : values.next();
                    b[k] = round % 3 ? lacunarity(random) : values.next();
                    m[k] = round % 3 ? unit(random) : values.next();
                    oct[k] = static_cast<std::uint8_t>(1 + (k * 7 + round) % 8);
                }
                // Seed 0, a seed with its derived tables, one with its permutation alone.
                const celllanes::Tables& t = *tableSets[round % 3];
                std::vector<float> cells = x, fixedCells = x, fractal = x, fixedFractal = x, mixed(count);
                std::vector<float> ridged = x;
                const auto ridge = patternlanes::Fold::ridge;
                patternlanes::fractalSumRow(t, ridged.data(), y, oct.data(), b.data(), a.data(), count, ridged.data(),
                                            ridge);
                celllanes::cellsRow(t, cells.data(), y, a.data(), 1, m.data(), 1, count, cells.data());
                celllanes::cellsRow(t, fixedCells.data(), y, &a[0], 0, &m[0], 0, count, fixedCells.data());
                patternlanes::fractalSumRow(t, fractal.data(), y, oct.data(), b.data(), a.data(), count,
                                            fractal.data());
                patternlanes::fractalSumRow(t, fixedFractal.data(), y, oct[0], b[0], a[0], count, fixedFractal.data());
                patternlanes::blendRow(a.data(), b.data(), m.data(), count, mixed.data());
                for (int k = 0; k < count; ++k) {
                    ASSERT_TRUE(sameFloat(cells[k], celllanes::cellValue(t, x[k], y, a[k], m[k])))
                        << "cells at " << x[k] << ", " << y << ", jitter " << a[k] << ", edges " << m[k];
                    ASSERT_TRUE(sameFloat(fixedCells[k], celllanes::cellValue(t, x[k], y, a[0], m[0])))
                        << "cells at " << x[k] << ", " << y << ", one jitter " << a[0] << ", edges " << m[0];
                    ASSERT_TRUE(sameFloat(fractal[k], patternlanes::fractalSum(t, x[k], y, oct[k], b[k], a[k])))
                        << "fractal at " << x[k] << ", " << y << ", octaves " << int(oct[k]) << ", lacunarity " << b[k]
                        << ", gain " << a[k];
                    ASSERT_TRUE(sameFloat(fixedFractal[k], patternlanes::fractalSum(t, x[k], y, oct[0], b[0], a[0])))
                        << "fractal at " << x[k] << ", " << y << ", one octaves " << int(oct[0]) << ", lacunarity "
                        << b[0] << ", gain " << a[0];
                    ASSERT_TRUE(sameFloat(mixed[k], patternlanes::blend(a[k], b[k], m[k])))
                        << "blend " << a[k] << ", " << b[k] << ", " << m[k];
                    ASSERT_TRUE(sameFloat(ridged[k], patternlanes::fractalSum(t, x[k], y, oct[k], b[k], a[k], ridge)))
                        << "ridged at " << x[k] << ", " << y << ", octaves " << int(oct[k]) << ", lacunarity " << b[k]
                        << ", gain " << a[k];
                }
            }
    });
}

// Terrace, Combine and Gradient on inputs near what variables and views
// hold (whole numbers and their neighbours, the view's edges) and anything
// at all; each input per point, or one for the run and also the output.
TEST(RowKernels, ShapingRowsAreTheScalarOnesOnEveryTarget)
{
    using shapinglanes::wholeNumber;
    onEveryTarget([&] {
        Values values(5);
        std::mt19937 random(6);
        const float near[] = {0.0f, 1.0f, 2.0f, 6.0f, 32.0f, 0.999f, 6.001f, 0.5f, -10.0f, -20.0f, -30.0f, 10.0f};
        for (int count = 1; count <= maxRun; ++count)
            for (int round = 0; round < 16; ++round) {
                // Inputs 0 to 2: Source, Low, High (A, B; Softness), 3:
                // Steps, 4: Mode or Shape, 5 and 6: a layer point.
                std::vector<float> in[7];
                int step[7];
                for (int r = 0; r < 7; ++r) {
                    step[r] = (round * 5 + r * 3) % 7 < 2 ? 0 : 1;
                    for (int k = 0; k < count; ++k)
                        in[r].push_back(round % 4 && random() % 3 ? near[random() % 12] + (random() % 2 ? 0.25f : 0.0f)
                                                                  : values.next());
                }
                const auto at = [&](int r, int k) { return in[r][k * step[r]]; };
                std::vector<float> terraced = in[0], combined = in[0], gradient(count);
                shapinglanes::terraceRow(terraced.data(), step[0], in[1].data(), step[1], in[2].data(), step[2],
                                         in[3].data(), step[3], count, terraced.data());
                shapinglanes::combineRow(combined.data(), step[0], in[1].data(), step[1], in[4].data(), step[4], count,
                                         combined.data());
                shapinglanes::gradientRow(in[5].data(), step[5], in[6].data(), step[6], in[4].data(), step[4],
                                          in[0].data(), step[0], count, gradient.data());
                for (int k = 0; k < count; ++k) {
                    ASSERT_TRUE(sameFloat(terraced[k], shapinglanes::terrace(at(0, k), at(1, k), at(2, k),
                                                                             wholeNumber(at(3, k), 1, 32))))
                        << "terrace " << at(0, k) << ", " << at(1, k) << ", " << at(2, k) << ", steps " << at(3, k);
                    ASSERT_TRUE(
                        sameFloat(combined[k], shapinglanes::combine(at(0, k), at(1, k), wholeNumber(at(4, k), 0, 6))))
                        << "combine " << at(0, k) << ", " << at(1, k) << ", mode " << at(4, k);
                    ASSERT_TRUE(sameFloat(gradient[k], shapinglanes::gradient(at(5, k), at(6, k),
                                                                              wholeNumber(at(4, k), 0, 2), at(0, k))))
                        << "gradient at " << at(5, k) << ", " << at(6, k) << ", shape " << at(4, k);
                }
            }
    });
}

// ---------------------------------------------------------------- targets

TEST(SimdTargets, ForcingSwitchesEveryKernelAndEndsWithTheBest)
{
    const std::vector<simdtargets::Target> targets = simdtargets::available();
    ASSERT_FALSE(targets.empty());
    std::set<std::string> names;
    for (const simdtargets::Target& t : targets) names.insert(t.name);
    EXPECT_EQ(names.size(), targets.size()) << "each target once";
    // Some portable target is always there, last.
    const std::string last = targets.back().name;
    EXPECT_TRUE(last == "SCALAR" || last == "EMU128") << last;

    EXPECT_STREQ(simdtargets::current(), targets.front().name);
    {
        simdtargets::Forced forced(targets.back());
        EXPECT_STREQ(simdtargets::current(), targets.back().name);
    }
    EXPECT_STREQ(simdtargets::current(), targets.front().name);
}

} // namespace
