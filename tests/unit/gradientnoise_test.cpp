#include "generators/gradientnoise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <set>

using namespace GradientNoise;

namespace {

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

// Unskew factor of the 2-D lattice, computed here in double from its
// definition rather than taken from the noise.
const double g2 = (3.0 - std::sqrt(3.0)) / 6.0;

TEST(GradientNoise, Sample2KnownValues)
{
    EXPECT_EQ(sample2(0.0f, 0.0f), 0.0f);
    EXPECT_NEAR(sample2(0.5f, 0.25f), -0.6605f, 5e-5);
    EXPECT_NEAR(sample2(1.3f, -2.7f), -0.8150f, 5e-5);
    EXPECT_NEAR(sample2(10.1f, 3.3f), 0.8161f, 5e-5);
}

TEST(GradientNoise, Sample2VanishesAtLatticeVertices)
{
    for (int i = -6; i <= 6; ++i) {
        for (int j = -6; j <= 6; ++j) {
            // A vertex of the skewed lattice, brought back to the plane.
            const double t = (i + j) * g2;
            const float x = static_cast<float>(i - t);
            const float y = static_cast<float>(j - t);
            EXPECT_NEAR(sample2(x, y), 0.0f, 1e-5) << i << ", " << j;
        }
    }
}

TEST(GradientNoise, Sample2RepeatsAfter256LatticeSteps)
{
    // 256 steps along either skewed axis, unskewed.
    const float ax = static_cast<float>(256.0 * (1.0 - g2));
    const float ay = static_cast<float>(-256.0 * g2);
    for (float x = -7.3f; x < 8.0f; x += 0.93f) {
        for (float y = -5.1f; y < 6.0f; y += 0.87f) {
            const float v = sample2(x, y);
            // The shifted points are rounded, so only close agreement holds.
            EXPECT_NEAR(sample2(x + ax, y + ay), v, 2e-3) << x << ", " << y;
            EXPECT_NEAR(sample2(x + ay, y + ax), v, 2e-3) << x << ", " << y;
        }
    }
}

TEST(GradientNoise, Sample2ContinuousAcrossCellDiagonal)
{
    // On x = y the offsets within a cell tie, which picks the middle corner
    // (0, 1); stepping off the diagonal either way must not jump.
    for (float a = -4.9f; a < 5.0f; a += 0.37f) {
        const float on = sample2(a, a);
        EXPECT_NEAR(sample2(a + 1e-4f, a), on, 5e-3) << a;
        EXPECT_NEAR(sample2(a, a + 1e-4f), on, 5e-3) << a;
    }
}

TEST(GradientNoise, LatticeFloorRule)
{
    EXPECT_EQ(latticeFloor(2.5f), 2);
    EXPECT_EQ(latticeFloor(1.0f), 1);
    EXPECT_EQ(latticeFloor(0.25f), 0);
    EXPECT_EQ(latticeFloor(0.0f), -1);     // one below floor at 0
    EXPECT_EQ(latticeFloor(-0.0f), -1);
    EXPECT_EQ(latticeFloor(-0.5f), -1);
    EXPECT_EQ(latticeFloor(-2.5f), -3);
    EXPECT_EQ(latticeFloor(-3.0f), -4);    // and at negative whole numbers
    EXPECT_EQ(latticeFloor(1e9f), 1000000000);
    EXPECT_EQ(latticeFloor(-1e9f), -1000000001);
}

TEST(GradientNoise, LatticeFloorDefinedBeyondIntRange)
{
    EXPECT_EQ(latticeFloor(3e9f), INT_MAX);
    EXPECT_EQ(latticeFloor(1e12f), INT_MAX);
    EXPECT_EQ(latticeFloor(inf), INT_MAX);
    EXPECT_EQ(latticeFloor(-3e9f), INT_MIN);
    EXPECT_EQ(latticeFloor(-1e12f), INT_MIN);
    EXPECT_EQ(latticeFloor(-inf), INT_MIN);
    EXPECT_EQ(latticeFloor(nan), -1);
}

TEST(GradientNoise, SamplesDefinedAtExtremeCoordinates)
{
    const float extremes[] = {1e12f, -1e12f, 3e9f, -3e9f, inf, -inf, nan, 0.5f};
    // A value is either NaN (from a NaN or infinite input) or a noise value.
    auto plausible = [](float v) { return std::isnan(v) || std::fabs(v) <= 1.1f; };
    // The 1-D noise has no reach test, so a saturated lattice coordinate
    // leaves a huge offset whose fourth power overflows: infinity is the
    // defined outcome there.
    auto plausible1 = [](float v) { return !std::isfinite(v) || std::fabs(v) <= 1.1f; };
    for (float a : extremes) {
        EXPECT_TRUE(plausible1(sample1(a))) << a;
        for (float b : extremes) {
            EXPECT_TRUE(plausible(sample2(a, b))) << a << ", " << b;
            EXPECT_TRUE(plausible(sample3(a, b, -a))) << a << ", " << b;
            EXPECT_TRUE(plausible(sample4(a, b, -a, b))) << a << ", " << b;
        }
    }
    // Far but finite points, whose lattice coordinates saturate, still give
    // finite numbers.
    EXPECT_TRUE(std::isfinite(sample2(1e12f, -1e12f)));
    EXPECT_TRUE(std::isfinite(sample3(3e9f, 3e9f, 3e9f)));
    EXPECT_TRUE(std::isfinite(sample4(-3e9f, -3e9f, -3e9f, -3e9f)));
    EXPECT_LE(std::fabs(sample1(1e6f + 0.5f)), 1.0f);
}

TEST(GradientNoise, OtherDimensionsVanishAtOrigin)
{
    EXPECT_NEAR(sample3(0, 0, 0), 0.0f, 1e-6);
    EXPECT_NEAR(sample4(0, 0, 0, 0), 0.0f, 1e-6);
    // One dimension: every whole number is a lattice point, exactly.
    for (int i = -5; i <= 5; ++i) EXPECT_EQ(sample1(static_cast<float>(i)), 0.0f) << i;
}

TEST(GradientNoise, ValuesStayBoundedAndSpread)
{
    float lo[4] = {0, 0, 0, 0}, hi[4] = {0, 0, 0, 0};
    auto note = [&](int d, float v) {
        lo[d] = std::min(lo[d], v);
        hi[d] = std::max(hi[d], v);
    };
    for (int a = 0; a < 40; ++a) {
        for (int b = 0; b < 40; ++b) {
            const float x = -9.7f + 0.4913f * a;
            const float y = 6.1f - 0.3771f * b;
            note(0, sample1(x + 0.013f * b));
            note(1, sample2(x, y));
            note(2, sample3(x, y, 0.61f * x - y));
            note(3, sample4(x, y, 0.61f * x - y, 0.37f * y + x));
        }
    }
    for (int d = 0; d < 4; ++d) {
        EXPECT_GE(lo[d], -1.0001f) << "dimension " << d + 1;
        EXPECT_LE(hi[d], 1.0001f) << "dimension " << d + 1;
        // A broken gradient or table shows as a flat or one-sided field.
        EXPECT_LT(lo[d], -0.25f) << "dimension " << d + 1;
        EXPECT_GT(hi[d], 0.25f) << "dimension " << d + 1;
    }
}

// Neighbouring points off the lattice give values of their own: a table or
// hash that collapsed to a few cells would repeat them.
TEST(GradientNoise, PointsOffTheLatticeGiveValuesOfTheirOwn)
{
    std::set<float> seen[3];
    for (int n = 0; n < 20; ++n) {
        const float x = 0.731f * n - 3.0f, y = 1.37f - 0.413f * n;
        seen[0].insert(sample2(x, y));
        seen[1].insert(sample3(x, y, 0.5f * x));
        seen[2].insert(sample4(x, y, 0.5f * x, 0.25f * y));
    }
    for (const std::set<float>& values : seen) EXPECT_GT(values.size(), 15u);
}

TEST(GradientNoise, PermutationIsDoubledReferenceTable)
{
    const int head[] = {151, 160, 137, 91, 90, 15};
    const int tail[] = {66, 215, 61, 156, 180};
    for (int n = 0; n < 6; ++n) EXPECT_EQ(permutation[n], head[n]);
    for (int n = 0; n < 5; ++n) EXPECT_EQ(permutation[251 + n], tail[n]);
    std::set<int> values;
    for (int n = 0; n < 256; ++n) {
        values.insert(permutation[n]);
        EXPECT_EQ(permutation[n + 256], permutation[n]) << n;
    }
    EXPECT_EQ(values.size(), 256u);
}

TEST(GradientNoise, CornerRankKnownRows)
{
    const int row0[] = {0, 1, 2, 3}, row63[] = {3, 2, 1, 0}, row7[] = {1, 2, 3, 0};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(cornerRank[0][c], row0[c]);
        EXPECT_EQ(cornerRank[63][c], row63[c]);
        EXPECT_EQ(cornerRank[7][c], row7[c]);
    }
}

TEST(GradientNoise, CornerRankFollowsOrderingsOfFourNumbers)
{
    // Every strict ordering of four numbers: its comparison bits must index a
    // row holding the ranks counted directly, and no other row may be used.
    float v[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    std::sort(v, v + 4);
    bool reached[64] = {};
    int orderings = 0;
    do {
        const float x = v[0], y = v[1], z = v[2], w = v[3];
        const int k = (x > y) * 32 + (x > z) * 16 + (y > z) * 8 + (x > w) * 4 + (y > w) * 2 + (z > w);
        reached[k] = true;
        ++orderings;
        for (int c = 0; c < 4; ++c) {
            int greater = 0;
            for (int o = 0; o < 4; ++o) greater += v[c] > v[o];
            EXPECT_EQ(cornerRank[k][c], greater) << "row " << k << " column " << c;
        }
    } while (std::next_permutation(v, v + 4));
    EXPECT_EQ(orderings, 24);

    int unused = 0;
    for (int k = 0; k < 64; ++k) {
        if (reached[k]) continue;
        ++unused;
        for (int c = 0; c < 4; ++c) EXPECT_EQ(cornerRank[k][c], 0) << "row " << k;
    }
    EXPECT_EQ(unused, 40);
}

} // namespace
