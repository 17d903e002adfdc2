// Ridged, Terrace, Combine and Gradient at the edges of their definitions:
// the rules that make whole numbers of variables (NaN, huge values), the
// degenerate ranges, every mode and shape, and the seamless Gradient's
// repeat.
#include "app/layercontrols.h"
#include "generators/gradientnoise.h"
#include "generators/noisetables.h"
#include "generators/patternlanes.h"
#include "layers/layertypetable.h"
#include "tests/support/floatbits.h"
#include "tests/support/seamlessscene.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <utility>
#include <vector>

namespace {

using floatbits::inf;
using floatbits::nan;
using floatbits::sameFloat;

// Layers are 64 x 64 pixels at the default view: pixel (i, j) shows layer
// point (-10 + 0.3125 i, -10 - 0.3125 j), exactly.
class ShapingLayers : public ::testing::Test {
protected:
    ShapingLayers() { controls.setViewportSize(64, 64); }

    static std::unique_ptr<Renderable> make(int typeId) { return std::unique_ptr<Renderable>(createLayer(typeId)); }

    // The layer with variable index at each given value looks, bit for bit,
    // as with the whole number that value stands for; with ramp, variable
    // 0 is driven by a ramp along x, so that every outcome tells.
    static void expectWholeNumbers(int typeId, int index, bool ramp, const std::vector<std::pair<float, float>>& cases)
    {
        for (const auto& [given, whole] : cases) {
            auto a = make(typeId), b = make(typeId);
            if (ramp) a->attachInput(0, make(10).release()), b->attachInput(0, make(10).release());
            for (Renderable* l : {a.get(), b.get()}) l->variables[index].overrideValue = l == a.get() ? given : whole;
            for (int k = 0; k < 64 * 64; k += 37)
                ASSERT_TRUE(sameFloat(a->valueAt(k % 64, k / 64), b->valueAt(k % 64, k / 64))) << given;
        }
    }

    LayerControls controls;
};

// NaN and everything below the least give the least; the greatest and
// everything above it give the greatest; between, the whole part.
TEST_F(ShapingLayers, VariablesGiveWholeNumbersByOneRule)
{
    expectWholeNumbers(7, 0, false, {{nan, 1}, {-inf, 1}, {0.5f, 1}, {3.99f, 3}, {1e30f, 8}, {inf, 8}});
    expectWholeNumbers(8, 3, true, {{nan, 1}, {-inf, 1}, {0.5f, 1}, {2.9f, 2}, {31.5f, 31}, {1e30f, 32}});
    expectWholeNumbers(9, 2, true, {{nan, 0}, {-inf, 0}, {0.9f, 0}, {2.5f, 2}, {5.99f, 5}, {7.5f, 6}, {inf, 6}});
    expectWholeNumbers(10, 0, false, {{nan, 0}, {-inf, 0}, {0.99f, 0}, {1.5f, 1}, {1e30f, 2}, {inf, 2}});
}

// Octaves whose points leave the noise's range have the noise 0, so they
// add a full ridge; Gain 0 leaves the first octave's ridge alone; a NaN
// Gain makes every amplitude after the first NaN.
TEST_F(ShapingLayers, RidgedOctavesAtTheEdges)
{
    auto ridged = make(7);
    const auto& tables = GradientNoise::noisetables::defaultTables();
    const auto check = [&](int oct, float lac, float gain, auto expected) {
        ridged->variables[0].overrideValue = static_cast<float>(oct);
        ridged->variables[1].overrideValue = lac;
        ridged->variables[2].overrideValue = gain;
        for (int j = 1; j < 64; j += 5)
            for (int i = 1; i < 64; i += 3) {
                float x = static_cast<float>(i), y = static_cast<float>(j);
                ridged->mapping.windowToLayer(x, y);
                const float ridge = patternlanes::ridge(GradientNoise::sample2(tables, x, y));
                ASSERT_TRUE(sameFloat(ridged->valueAt(i, j), expected(ridge)))
                    << oct << " octaves, lacunarity " << lac << ", gain " << gain << " at " << i << ", " << j;
            }
    };
    check(3, 1e30f, 1, [](float ridge) { return patternlanes::clampUnit((ridge + 1 + 1) / 3); });
    check(8, 2, 0, [](float ridge) { return ridge; });
    check(1, 2, nan, [](float ridge) { return ridge; });
    check(2, 2, nan, [](float) { return 1.0f; });
}

// Low = High puts the whole Source on one side or the other (the boundary
// itself is 0 / 0, NaN, which the clamp makes 1), whatever the steps.
TEST_F(ShapingLayers, TerraceStepsAndLevels)
{
    auto terrace = make(8);
    struct Case {
        float low, high, steps, source, expected;
    };
    const Case cases[] = {{0.5f, 0.5f, 1, 0.25f, 0}, {0.5f, 0.5f, 1, 0.5f, 1}, {0.5f, 0.5f, 2, 0.25f, 0},
                          {0.5f, 0.5f, 2, 0.5f, 1}, {0.5f, 0.5f, 32, 0.75f, 1}, {0.25f, 0.75f, 1, 0, 0},
                          {0.25f, 0.75f, 1, 0.625f, 0.75f}, {0.25f, 0.75f, 1, 1, 1}, {0, 1, 2, 0.49f, 0},
                          {0, 1, 2, 0.5f, 1}, {0, 1, 32, 0.999f, 1}, {0, 1, 32, 0.5f, 16.0f / 31.0f},
                          {0, 1, 32, 0.03125f, 1.0f / 31.0f}, {0, 1, 32, 0.03f, 0}, {0.75f, 0.25f, 1, 1, 0}};
    for (const Case& c : cases) {
        const float values[] = {c.source, c.low, c.high, c.steps};
        for (int i = 0; i < 4; ++i) terrace->variables[i].overrideValue = values[i];
        EXPECT_EQ(terrace->valueAt(5, 9), c.expected) << c.low << ", " << c.high << ", " << c.steps << ", " << c.source;
    }
}

TEST_F(ShapingLayers, CombineModesAtZeroAndOne)
{
    auto combine = make(9);
    // Per mode, the values at (a, b) = (0, 0), (0, 1), (1, 0), (1, 1).
    const float expected[7][4] = {{0, 1, 1, 1}, {0, 0, 1, 0}, {0, 0, 0, 1}, {0, 0, 0, 1},
                                  {0, 1, 1, 1}, {0, 1, 1, 0}, {0, 1, 1, 1}};
    for (int mode = 0; mode < 7; ++mode)
        for (int ab = 0; ab < 4; ++ab) {
            combine->variables[0].overrideValue = static_cast<float>(ab / 2);
            combine->variables[1].overrideValue = static_cast<float>(ab % 2);
            combine->variables[2].overrideValue = static_cast<float>(mode);
            EXPECT_EQ(combine->valueAt(40, 2), expected[mode][ab]) << "mode " << mode << ", a and b " << ab;
        }
}

// Each shape at three pixels where its ramp is 0, 1/2 and 1: the low edge
// of the view, its middle (radial: half way out) and the high edge.
TEST_F(ShapingLayers, GradientShapesAtTheEdgesAndTheMiddle)
{
    auto gradient = make(10);
    const std::pair<int, int> pixels[3][3] = {{{0, 32}, {32, 32}, {64, 32}},    // along x: left, middle, right
                                              {{32, 0}, {32, 32}, {32, 64}},    // along y: bottom, middle, top
                                              {{0, 32}, {16, 32}, {32, 32}}};   // radial: rim, half way, middle
    struct Softness {
        float e, values[3];
    };
    const Softness softness[] = {{1, {0, 0.5f, 1}}, {nan, {0, 0.5f, 1}}, {2, {0, 0.5f, 1}},
                                 {0, {0, 1, 1}},    {0.75f, {0, 0.5f / 0.75f, 1}}};
    for (int shape = 0; shape < 3; ++shape)
        for (const Softness& s : softness)
            for (int p = 0; p < 3; ++p) {
                gradient->variables[0].overrideValue = static_cast<float>(shape);
                gradient->variables[1].overrideValue = s.e;
                const auto [i, j] = pixels[shape][p];
                EXPECT_EQ(gradient->valueAt(i, j), s.values[p]) << shape << ", " << s.e << " at " << i << ", " << j;
            }
    EXPECT_EQ(gradient->valueAt(0, 0), 0.0f);   // radial: 0 in the corners
}

// Seamless, the Gradient continues beyond the picture's edges as the
// picture repeats: the pixels one or two widths right and one height up,
// bit for bit, per pixel and by rows, also with a driven Softness.
// Power-of-two sizes and extents and whole centres keep the points exact.
// (Left of the picture, a point a whole number of extents from its left
// edge is wrapped to the right edge, as wrapPositive takes it.)
TEST_F(ShapingLayers, SeamlessGradientRepeatsOverItsView)
{
    std::mt19937 random(38);
    for (int round = 0; round < 40; ++round) {
        auto gradient = make(10);
        const float ex = std::ldexp(1.0f, 1 + static_cast<int>(random() % 6));
        const float ey = std::ldexp(1.0f, 1 + static_cast<int>(random() % 6));
        gradient->setView(static_cast<float>(static_cast<int>(random() % 41) - 20),
                          static_cast<float>(static_cast<int>(random() % 41) - 30), ex, ey);
        gradient->variables[0].overrideValue = static_cast<float>(round % 3);
        gradient->variables[1].overrideValue = static_cast<float>(random() % 5) / 4.0f;
        if (round % 4 == 3) gradient->attachInput(1, make(7).release());
        applySeamless(*gradient, true);
        std::vector<float> row(64), shifted(64);
        for (int j = 0; j < 64; j += 7) {
            gradient->pixelRow(j, 0, 64, row.data());
            for (const auto& [dx, dy] : {std::pair{64, 0}, std::pair{0, 64}, std::pair{128, 64}}) {
                gradient->pixelRow(j + dy, dx, 64, shifted.data());
                for (int i = 0; i < 64; ++i)
                    ASSERT_TRUE(sameFloat(shifted[i], row[i]) && sameFloat(gradient->pixelValue(i + dx, j + dy), row[i]))
                        << "round " << round << " at " << i << ", " << j;
            }
        }
    }
}

} // namespace
