// Seamless patterns: the 4-D noise kernel against sample4 on every target,
// the torus noise's contrast against the flat noise's, and the repeat of
// random compositions over their views.
#include "app/layercontrols.h"
#include "generators/gradientnoise.h"
#include "generators/noisetables.h"
#include "generators/seamless.h"
#include "generators/seedtables.h"
#include "layers/layerclone.h"
#include "tests/support/everytarget.h"
#include "tests/support/floatbits.h"
#include "tests/unit/randomcomposition.h"

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
            GradientNoise::sample4Row(&p[0][start], &p[1][start], rowZ[start], rowW[start], count, &row[start]);
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

// The share of pixels of a seamless picture within one grey level of the
// picture with every layer's centre moved by half its extent, rolled by
// half the picture (width and height even). Any layer type that repeats
// over its view keeps it near 1.
double shareThatRepeats(const Renderable& top)
{
    std::unique_ptr<Renderable> moved = cloneLayerTree(top);
    struct {
        void operator()(Renderable& l) const
        {
            l.setView(l.x + l.zoomx / 2, l.y + l.zoomy / 2, l.zoomx, l.zoomy);
            for (int i = 0; i < l.variableCount; ++i)
                if (Renderable* input = l.variables[i].getInputLayer()) (*this)(*input);
        }
    } moveByHalf;
    moveByHalf(*moved);
    std::unique_ptr<Renderable> picture = cloneLayerTree(top);
    picture->fillPixels();
    moved->fillPixels();
    const int w = top.textureWidth, h = top.textureHeight;
    int same = 0;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const int rolled = picture->pixels[((j + h / 2) % h) * w + (i + w / 2) % w];
            same += std::abs(rolled - moved->pixels[j * w + i]) <= 1;
        }
    return static_cast<double>(same) / (w * h);
}

TEST(SeamlessCompositions, RepeatOverTheirViews)
{
    LayerControls controls;
    for (auto [w, h] : {std::pair{64, 48}, std::pair{120, 38}}) {
        controls.setViewportSize(w, h);
        for (unsigned seed = 1; seed <= 60; ++seed) {
            std::unique_ptr<Renderable> top(RandomComposition(seed).make(3));
            top->setSeamless(true);
            EXPECT_GE(shareThatRepeats(*top), 0.995) << "composition " << seed << " at " << w << " x " << h;
        }
    }
    // The flat pattern does not repeat: the measure tells the two apart.
    EXPECT_LT(shareThatRepeats(*std::unique_ptr<Renderable>(createLayer(0))), 0.5);
}

} // namespace
