// Edits 40 ms apart are a quick series until the input rests; a light or
// unmeasured composition is always full, a heavy one gets the finest step
// that fits the budget, learnt from what the renders cost.
#include "app/picture/renderpolicy.h"

#include <gtest/gtest.h>

#include <random>

TEST(EditPaceTest, EditsInQuickSuccessionAreASeriesUntilTheInputRests)
{
    EditPace pace;
    pace.edited(1.0);
    EXPECT_FALSE(pace.quickSeries(1.0)) << "a single edit";
    pace.edited(1.04);
    EXPECT_TRUE(pace.quickSeries(1.05));
    EXPECT_TRUE(pace.resting(1.04 + EditPace::restSeconds));
    EXPECT_FALSE(pace.quickSeries(1.04 + EditPace::restSeconds));
    pace.edited(2.0);
    EXPECT_FALSE(pace.quickSeries(2.0)) << "an edit after a rest starts afresh";
}

TEST(RenderCostTest, HeavyTakesTheFinestStepThatFitsAndMeasurementsRefineIt)
{
    const unsigned cold = RenderCost::key(2, 0), warm = RenderCost::key(2, 2);
    std::mt19937 rng(5);
    for (int i = 0; i < 200; ++i) {
        const int w = std::uniform_int_distribution<int>(1, 2000)(rng);
        const int h = std::uniform_int_distribution<int>(1, 2000)(rng);
        const double full = std::uniform_real_distribution<double>(0.0, 20.0)(rng);
        RenderCost c;
        ASSERT_EQ(c.step(cold, w, h), 1) << "nothing measured yet";
        c.measured(cold, 1, w, h, full, true);
        const int k = c.step(cold, w, h);
        const double perPixel = full / static_cast<double>(RenderCost::evaluatedPixels(w, h, 1));
        const auto fits = [&](int s) { return perPixel * RenderCost::evaluatedPixels(w, h, s) <= RenderCost::coarseSeconds; };
        ASSERT_EQ(k == 1, full <= RenderCost::lightSeconds);
        ASSERT_TRUE(k == 1 || k == RenderCost::maxStep || fits(k));
        ASSERT_TRUE(k <= 2 || !fits(k - 1));
    }
    RenderCost cost;
    cost.measured(cold, 1, 400, 470, 0.004, true);
    cost.measured(cold, 1, 400, 470, 0.240, false);   // a stopped render took at least this
    EXPECT_EQ(cost.step(cold, 400, 470), 3);          // 0.24 / 4 > 1 / 30 >= 0.24 / 9
    cost.measured(cold, 3, 400, 470, 0.090, true);    // coarse pixels cost more than full ones
    EXPECT_EQ(cost.step(cold, 400, 470), 5);
    EXPECT_EQ(cost.step(warm, 400, 470), 5) << "kept planes: the cold cost until their own is known";
    cost.measured(warm, 1, 400, 470, 0.003, true);
    EXPECT_EQ(cost.step(warm, 400, 470), 1);
}

namespace {

// The costs kept are those of the last 16 keys first measured: a 17th key
// takes the oldest one's place, whose step is then guessed from the last
// full render like a key never seen; the others keep theirs.
TEST(RenderCostTest, TheOldestKeyGoesWhenASeventeenthIsMeasured)
{
    RenderCost cost;
    const auto keyOf = [](unsigned d) { return RenderCost::key(d, 0); };
    const unsigned unseen = keyOf(999);
    for (unsigned d = 1; d <= 16; ++d) cost.measured(keyOf(d), 1, 100, 100, 0.1 * d, true);
    int steps[18] = {};
    for (unsigned d = 1; d <= 16; ++d) steps[d] = cost.step(keyOf(d), 100, 100);
    EXPECT_NE(steps[1], cost.step(unseen, 100, 100));
    cost.measured(keyOf(17), 1, 100, 100, 1.7, true);
    EXPECT_EQ(cost.step(keyOf(1), 100, 100), cost.step(unseen, 100, 100));
    EXPECT_EQ(cost.step(keyOf(1), 100, 100), cost.step(keyOf(17), 100, 100));
    for (unsigned d = 2; d <= 16; ++d) EXPECT_EQ(cost.step(keyOf(d), 100, 100), steps[d]) << d;
}

} // namespace
