// Seamless patterns: the 4-D noise kernel against sample4 on every target,
// the torus noise's contrast against the flat noise's, and the repeat of
// random compositions over their views, pixel for pixel.
#include "app/layercontrols.h"
#include "generators/gradientnoise.h"
#include "generators/noisetables.h"
#include "generators/seamless.h"
#include "generators/seedtables.h"
#include "layers/layerclone.h"
#include "tests/support/everytarget.h"
#include "tests/support/floatbits.h"
#include "tests/unit/randomcomposition.h"
#include "tests/support/seamlessscene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

using floatbits::sameFloat;

// Scattered points (special values, near, far, any bits at all) in runs of
// odd lengths, each run also as a row with its first point's z and w, and
// as a seamless noise row, scaled, times the gain and clamped.
TEST(Sample4Lanes, BatchAndRowEqualSample4BitForBitOnEveryTarget)
{
    std::mt19937 random(4);
    std::uniform_real_distribution<float> near(-40.0f, 40.0f), far(-3e6f, 3e6f);
    std::uniform_int_distribution<std::uint32_t> anyBits;
    const float special[] = {0.0f, -0.0f, 1.0f, -3.0f, 4194303.0f, -4194304.5f, 1e9f, floatbits::inf, floatbits::nan};
    const int total = 30000;
    std::vector<float> p[4], rowZ(total), rowW(total);
    for (int k = 0; k < total; ++k)
        for (auto& c : p)
            c.push_back(k < 3000      ? special[anyBits(random) % 9]
                        : k % 5 == 0 ? floatbits::floatOf(anyBits(random))
                        : k % 5 == 1 ? far(random)
                                     : near(random));
    std::vector<std::pair<int, int>> runs;
    for (int start = 0, length = 1; start < total; start += length, length = length % 37 + 1) {
        runs.emplace_back(start, std::min(length, total - start));
        std::fill(&rowZ[start], &rowZ[start] + runs.back().second, p[2][start]);
        std::fill(&rowW[start], &rowW[start] + runs.back().second, p[3][start]);
    }
    // The torus rows on a seed's permutation alone, where the lanes gather
    // from it rather than from derived tables.
    const auto torusTables = seedtables::permutationOnly(9);
    onEveryTarget([&] {
        std::vector<float> batch(total), row(total), torus(total);
        for (auto [start, count] : runs) {
            GradientNoise::sample4Batch(&p[0][start], &p[1][start], &p[2][start], &p[3][start], count, &batch[start]);
            // Gain -1: the noise itself, unscaled and unclamped.
            GradientNoise::sample4TorusRow(GradientNoise::noisetables::defaultTables(), &p[0][start], &p[1][start],
                                           1.0f, rowZ[start], rowW[start], -1.0f, count, &row[start]);
            GradientNoise::sample4TorusRow(*torusTables, &p[0][start], &p[1][start], 0.75f, rowZ[start],
                                           rowW[start], seamless::noiseGain, count, &torus[start]);
        }
        for (int k = 0, failures = 0; k < total && failures < 10; ++k) {
            const float expected = GradientNoise::sample4(p[0][k], p[1][k], p[2][k], p[3][k]);
            const float expectedRow = GradientNoise::sample4(p[0][k], p[1][k], rowZ[k], rowW[k]);
            const float onTorus =
                seamless::gainClamped(GradientNoise::sample4(*torusTables, 0.75f * p[0][k], 0.75f * p[1][k], rowZ[k],
                                                             rowW[k]));
            if (!sameFloat(batch[k], expected) || !sameFloat(row[k], expectedRow) || !sameFloat(torus[k], onTorus))
                ADD_FAILURE() << "point " << k << " (failure " << ++failures << "): batch " << batch[k] << " for "
                              << expected << ", row " << row[k] << " for " << expectedRow;
        }
    });
}

double standardDeviation(const std::vector<float>& v)
{
    double sum = 0, squares = 0;
    for (float x : v) {
        sum += x;
        squares += static_cast<double>(x) * x;
    }
    const double mean = sum / static_cast<double>(v.size());
    return std::sqrt(squares / static_cast<double>(v.size()) - mean * mean);
}

// The gain is what makes the torus noise look like the flat noise: over
// many views and extents their standard deviations agree within 10%.
TEST(SeamlessNoise, GainBringsTheContrastToTheFlatNoise)
{
    std::mt19937 random(23);
    std::uniform_real_distribution<float> centre(-500.0f, 500.0f), logExtent(0.5f, 3.0f);
    std::vector<float> flat, torus;
    for (int view = 0; view < 200; ++view) {
        const float cx = centre(random), cy = centre(random);
        const float ex = std::pow(10.0f, logExtent(random)), ey = std::pow(10.0f, logExtent(random));
        for (int i = 0; i < 40; ++i)
            for (int j = 0; j < 40; ++j) {
                const float x = cx + ex * static_cast<float>(i) / 40.0f, y = cy + ey * static_cast<float>(j) / 40.0f;
                flat.push_back(GradientNoise::sample2(x, y));
                torus.push_back(seamless::torusNoise(GradientNoise::noisetables::defaultTables(), seamless::turnOf(x, ex),
                                                     seamless::radiusOf(ex), seamless::turnOf(y, ey),
                                                     seamless::radiusOf(ey)));
            }
    }
    const double flatDeviation = standardDeviation(flat), torusDeviation = standardDeviation(torus);
    EXPECT_NEAR(torusDeviation / flatDeviation, 1.0, 0.1) << torusDeviation << " against " << flatDeviation;
    EXPECT_LE(*std::max_element(torus.begin(), torus.end()), 1.0f);
    EXPECT_GE(*std::min_element(torus.begin(), torus.end()), -1.0f);
}

TEST(SeamlessPeriod, FitsAWholeNumberOfPeriodsAcrossTheExtent)
{
    // 4.4 periods: 4; 4.5: 5; not even once, or not a number: the extent.
    EXPECT_EQ(seamless::fittedPeriod(22.0f, 5.0f), 5.5f);
    EXPECT_EQ(seamless::fittedPeriod(22.5f, 5.0f), 22.5f / 5.0f);
    for (float period : {5.0f, -2.0f, floatbits::nan}) EXPECT_EQ(seamless::fittedPeriod(3.0f, period), 3.0f);
}

// Calls f on every layer of a tree, the top first.
template <class F>
void forEachLayer(Renderable& l, F f)
{
    f(l);
    for (int i = 0; i < l.variableCount; ++i)
        if (Renderable* input = l.variables[i].getInputLayer()) forEachLayer(*input, f);
}

// Views on which the definition makes a seamless picture repeat bit for bit.
// Whole-number centres and power-of-two extents keep every layer coordinate
// of the view and of the view moved by its extent within one binade (1024 to
// 2048), where adding the extent commutes with every rounding, and make the
// noise's turns, the Cells' fitted cells and the fitted periods exact: those
// of Squares at extents 2 to 8, and those of Circles whose radius and spacing
// are fixed near an eighth and a quarter of the shorter extent (the period,
// a little over half of it, is fitted to exactly half). A driven Radius or
// Spacing gives periods that the fitting rounds, so those stay out. A
// Warp's Amount is fixed at 1/64, so that its moved points stay within the
// binade too.
void placeExactly(Renderable& top, std::mt19937& random)
{
    forEachLayer(top, [&](Renderable& l) {
        if (l.typeId == 6) {
            l.variables[3].removeInputLayer();
            l.variables[3].overrideValue = 1.0f / 64;
        }
        const int sizes = l.typeId == 1 ? 3 : 6;
        const float ex = std::ldexp(2.0f, static_cast<int>(random() % sizes));
        const float ey = std::ldexp(2.0f, static_cast<int>(random() % sizes));
        l.setView(static_cast<float>(1100 + random() % 800), static_cast<float>(1200 + random() % 700), ex, ey);
        if (l.typeId != 2) return;
        for (int i = 0; i < 2; ++i) {
            l.variables[i].removeInputLayer();
            l.variables[i].overrideValue = std::min(ex, ey) * 1.005f / static_cast<float>(8 >> i);
        }
    });
}

// Whether the picture of top equals, byte for byte, the one with every
// layer's view moved by its extent.
bool repeatsOverItsView(const Renderable& top)
{
    std::unique_ptr<Renderable> picture = cloneLayerTree(top), moved = cloneLayerTree(top);
    forEachLayer(*moved, [](Renderable& l) { l.setView(l.x + l.zoomx, l.y + l.zoomy, l.zoomx, l.zoomy); });
    picture->fillPixels();
    moved->fillPixels();
    return picture->pixels == moved->pixels;
}

TEST(SeamlessCompositions, RepeatOverTheirViewsPixelForPixel)
{
    LayerControls controls;
    std::mt19937 random(31);
    for (auto [w, h] : {std::pair{64, 48}, std::pair{120, 38}}) {
        controls.setViewportSize(w, h);
        for (unsigned seed = 1; seed <= 60; ++seed) {
            std::unique_ptr<Renderable> top(RandomComposition(seed).make(3));
            placeExactly(*top, random);
            applySeamless(*top, true);
            EXPECT_TRUE(repeatsOverItsView(*top)) << "composition " << seed << " at " << w << " x " << h;
        }
        // Warps repeat as their inputs do, though they read their Sources
        // at moved points.
        for (unsigned seed = 61; seed <= 100; ++seed) {
            std::unique_ptr<Renderable> top(RandomComposition(seed).make(3, 6));
            placeExactly(*top, random);
            applySeamless(*top, true);
            EXPECT_TRUE(repeatsOverItsView(*top)) << "warp " << seed << " at " << w << " x " << h;
        }
    }
    // Flat, the patterns do not repeat: the check tells the two apart.
    for (int type = 0; type < 5; ++type) {
        std::unique_ptr<Renderable> flat(createLayer(type));
        placeExactly(*flat, random);
        EXPECT_FALSE(repeatsOverItsView(*flat)) << "type " << type;
    }
}

} // namespace
