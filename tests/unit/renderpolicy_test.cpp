// When the picture may be coarse, and how coarse: edits 40 ms apart are a
// quick series until the input rests; a light composition is always exact;
// a heavy one gets the finest step whose picture fits the budget, learnt
// from what the renders cost.
#include "app/renderpolicy.h"

#include <gtest/gtest.h>

#include <random>

TEST(EditPaceTest, EditsInQuickSuccessionAreASeriesUntilTheInputRests)
{
    EditPace pace;
    EXPECT_TRUE(pace.resting(0.0));
    pace.edited(1.0);
    EXPECT_FALSE(pace.quickSeries(1.0)) << "a single edit";
    pace.edited(1.04);
    EXPECT_TRUE(pace.quickSeries(1.05));
    EXPECT_FALSE(pace.resting(1.05));
    EXPECT_TRUE(pace.resting(1.04 + EditPace::restSeconds));
    EXPECT_FALSE(pace.quickSeries(1.04 + EditPace::restSeconds));
    pace.edited(2.0);
    EXPECT_FALSE(pace.quickSeries(2.0)) << "an edit after a rest starts afresh";
}

TEST(RenderCostTest, LightOrUnknownIsExactAndHeavyTakesTheFinestStepThatFits)
{
    RenderCost cost;
    const unsigned key = RenderCost::key(1, 0);
    EXPECT_EQ(cost.step(key, 400, 470), 1) << "nothing measured yet";
    cost.measured(key, 1, 400, 470, RenderCost::lightSeconds, true);
    EXPECT_EQ(cost.step(key, 400, 470), 1);

    std::mt19937 rng(5);
    for (int i = 0; i < 200; ++i) {
        const int w = std::uniform_int_distribution<int>(1, 2000)(rng);
        const int h = std::uniform_int_distribution<int>(1, 2000)(rng);
        const double exact = std::uniform_real_distribution<double>(0.011, 20.0)(rng);
        RenderCost c;
        c.measured(key, 1, w, h, exact, true);
        const int k = c.step(key, w, h);
        const double perPixel = exact / static_cast<double>(RenderCost::evaluatedPixels(w, h, 1));
        ASSERT_GE(k, 2);
        if (k < RenderCost::maxStep) {
            ASSERT_LE(perPixel * RenderCost::evaluatedPixels(w, h, k), RenderCost::coarseSeconds);
        }
        if (k > 2) {
            ASSERT_GT(perPixel * RenderCost::evaluatedPixels(w, h, k - 1), RenderCost::coarseSeconds);
        }
    }
}

TEST(RenderCostTest, CoarseAndStoppedRendersAndKeptPlanesRefineTheEstimate)
{
    RenderCost cost;
    const unsigned cold = RenderCost::key(2, 0), warm = RenderCost::key(2, 2);
    // A stopped render proves at least its own time.
    cost.measured(cold, 1, 400, 470, 0.004, true);
    cost.measured(cold, 1, 400, 470, 0.240, false);
    EXPECT_EQ(cost.step(cold, 400, 470), 3);   // 0.24 / 4 > 0.05 >= 0.24 / 9
    // A coarse picture that cost more per pixel than the exact one asks
    // for a coarser step.
    cost.measured(cold, 3, 400, 470, 0.090, true);
    EXPECT_EQ(cost.step(cold, 400, 470), 5);
    // Kept planes: the cold cost until their own is known.
    EXPECT_EQ(cost.step(warm, 400, 470), 5);
    cost.measured(warm, 1, 400, 470, 0.003, true);
    EXPECT_EQ(cost.step(warm, 400, 470), 1);
    EXPECT_EQ(cost.step(cold, 400, 470), 5);
}
