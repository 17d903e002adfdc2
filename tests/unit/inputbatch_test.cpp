// How much queued input one frame of the controls takes.
#include "ui/inputbatch.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <vector>

namespace {

using Edges = std::vector<int>;

std::size_t forOneFrame(const std::deque<Edges>& queue)
{
    return ui::changesForOneFrame(queue, [](const Edges& e) -> const Edges& { return e; });
}

TEST(InputBatchTest, AQuickClickTakesTwoFramesAndEverythingElseGoesAlong)
{
    EXPECT_EQ(forOneFrame({}), 0u);
    // Moves touch no button: any number go in one frame.
    EXPECT_EQ(forOneFrame({{}, {}, {}}), 3u);
    // Press and release of button 0: the release waits for the next frame,
    // and so does what follows it.
    EXPECT_EQ(forOneFrame({{0}, {}, {0}, {}}), 2u);
    // Typing "ab" (keys 5 + 'a', 5 + 'b') while a button goes down.
    EXPECT_EQ(forOneFrame({{102}, {0}, {103}, {102}, {103}}), 3u);
    // A change of several at once counts for all of them.
    EXPECT_EQ(forOneFrame({{1, 2}, {3}, {2}}), 2u);
    EXPECT_EQ(forOneFrame({{4}, {4}}), 1u);
}

// Replaying frame by frame: every change is applied exactly once, in order,
// no button or key changes twice within a frame, and a change waits for the
// next frame only when it has to.
TEST(InputBatchTest, ReplayingLosesNothingAndNeverChangesAButtonTwiceInAFrame)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        std::deque<Edges> queue;
        const int length = std::uniform_int_distribution<int>(0, 40)(rng);
        for (int i = 0; i < length; ++i) {
            Edges e;
            if (std::uniform_int_distribution<int>(0, 2)(rng)) e.push_back(std::uniform_int_distribution<int>(0, 4)(rng));
            queue.push_back(e);
        }
        const std::deque<Edges> original = queue;
        std::size_t applied = 0;
        while (!queue.empty()) {
            const std::size_t n = forOneFrame(queue);
            ASSERT_GE(n, 1u);
            std::vector<int> seen;
            for (std::size_t k = 0; k < n; ++k) {
                for (int e : queue.front()) {
                    ASSERT_EQ(std::count(seen.begin(), seen.end(), e), 0) << "changed twice in a frame";
                    seen.push_back(e);
                }
                ASSERT_EQ(queue.front(), original[applied]);
                queue.pop_front();
                ++applied;
            }
            // The next change, if any, had to wait: it touches one of them.
            if (!queue.empty()) {
                bool clash = false;
                for (int e : queue.front()) clash = clash || std::count(seen.begin(), seen.end(), e) > 0;
                ASSERT_TRUE(clash) << "a change waited for no reason";
            }
        }
        EXPECT_EQ(applied, original.size());
    }
}

} // namespace
