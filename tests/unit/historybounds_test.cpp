// The history's bounds (steps and memory, the oldest going first), the
// comparison that decides whether an edit changed anything, and the small
// pieces around undo: the keyboard's commands and the window title.
#include "app/history/edithistory.h"
#include "app/layercontrols.h"
#include "app/mousemodes.h"
#include "app/history/windowtitle.h"
#include "layers/layerclone.h"
#include "layers/layercompare.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "persistence/scenefile.h"
#include "randomcomposition.h"

#include "tests/support/noisechain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string textOf(const Renderable* base)
{
    Renderable* b = const_cast<Renderable*>(base);
    return scenefile::text(&b, base ? 1 : 0);
}

class BoundsTest : public ::testing::Test {
protected:
    void SetUp() override { controls.setViewportSize(4, 3); }

    // Records one step from *live to next, as the controller does.
    bool step(EditHistory& h, std::unique_ptr<Renderable>& live, std::unique_ptr<Renderable> next)
    {
        h.begin({live.get()}, LayerLocation(), "edit");
        live = std::move(next);
        return h.commit({live.get()}, LayerLocation());
    }
    void undo(EditHistory& h, std::unique_ptr<Renderable>& live) { live = std::move(h.undo({live.get()}).composition.tree); }
    void redo(EditHistory& h, std::unique_ptr<Renderable>& live) { live = std::move(h.redo({live.get()}).composition.tree); }

    LayerControls controls;
};

TEST_F(BoundsTest, KeepsTheLastStepsWithinTheStepLimitOldestFirst)
{
    EditHistory defaults;
    EXPECT_GE(EditHistory::defaultMaxSteps, 100u);
    EXPECT_EQ(defaults.maxBytes(), std::size_t(64) << 20);

    EditHistory h(EditHistory::defaultMaxBytes, 100);
    std::unique_ptr<Renderable> live = noiseChain(1, 0.0f);
    std::vector<std::string> texts{textOf(live.get())};
    for (int i = 1; i <= 130; ++i) {
        ASSERT_TRUE(step(h, live, noiseChain(1 + i % 3, 0.001f * i)));
        texts.push_back(textOf(live.get()));
        ASSERT_EQ(h.undoCount(), std::min<std::size_t>(i, 100));
    }
    // The 100 newest steps come back, in order; the 30 oldest are gone.
    for (int i = 129; i >= 30; --i) {
        undo(h, live);
        ASSERT_EQ(textOf(live.get()), texts[i]);
    }
    EXPECT_FALSE(h.canUndo());
    EXPECT_EQ(h.redoCount(), 100u);
    for (int i = 31; i <= 130; ++i) {
        redo(h, live);
        ASSERT_EQ(textOf(live.get()), texts[i]);
    }
}

TEST_F(BoundsTest, NeverHoldsMoreThanItsMemoryAndDropsTheOldestFirst)
{
    // Room for about 40 layers of copies.
    const std::size_t limit = 40 * EditHistory::measure({noiseChain(1, 0).get()}) + 40 * 200;
    EditHistory h(limit, 1000);
    RandomComposition random(7);
    std::unique_ptr<Renderable> live(noiseChain(1, 0.0f));
    std::vector<std::string> texts{textOf(live.get())};
    for (int i = 1; i <= 60; ++i) {
        std::unique_ptr<Renderable> next(random.make(2));
        next->variables[0].overrideValue = 0.5f + i;   // never the same twice
        step(h, live, std::move(next));
        texts.push_back(textOf(live.get()));
        ASSERT_LE(h.bytes(), limit);
        ASSERT_GE(h.undoCount(), 1u) << "a step whose copy fits is kept";
        // What is kept is exactly the newest steps: undo them all and see.
        // Each undo keeps a copy for redo, which may push out more of the
        // oldest undo steps, never a redo step while undo steps remain.
        if (i % 10 == 0) {
            std::size_t undone = 0, redone = 0;
            for (; h.canUndo(); ++undone) {
                undo(h, live);
                ASSERT_LE(h.bytes(), limit);
            }
            ASSERT_GE(undone, 1u);
            ASSERT_EQ(textOf(live.get()), texts[i - undone]);
            for (; h.canRedo(); ++redone) {
                redo(h, live);
                ASSERT_LE(h.bytes(), limit);
            }
            ASSERT_EQ(redone, undone);
            ASSERT_EQ(textOf(live.get()), texts[i]);
        }
    }
    EXPECT_GT(h.bytes(), limit / 2) << "the memory is used, not left idle";
}

TEST_F(BoundsTest, ACompositionLargerThanTheLimitCannotBeKept)
{
    const std::size_t limit = 10 * EditHistory::measure({noiseChain(1, 0).get()});
    EditHistory h(limit, 1000);
    std::unique_ptr<Renderable> live(noiseChain(1, 0.0f));
    step(h, live, noiseChain(2, 1.0f));
    ASSERT_TRUE(h.canUndo());
    step(h, live, noiseChain(30, 2.0f));   // its predecessor is small: kept
    EXPECT_EQ(h.undoCount(), 2u);
    step(h, live, noiseChain(1, 3.0f));    // the 30 layers before it do not fit
    EXPECT_LE(h.bytes(), limit);
    EXPECT_EQ(h.undoCount(), 0u);
    EXPECT_FALSE(h.canUndo());
}

TEST(HistoryMemory, EveryTypeCountsItsWholeObject)
{
    // A type counted short would let the history hold more than its bound.
    for (int type = 0; type < LayerTypeTable::count; ++type)
        EXPECT_GE(layerObjectBytes(type), sizeof(Renderable)) << LayerTypeTable::names[type];
}

TEST_F(BoundsTest, SixtyFourMebibytesOfLargeCompositions)
{
    // 2,000 layers a copy: some 3 MiB. The history keeps about 21 of them.
    EditHistory h;
    std::unique_ptr<Renderable> live(noiseChain(2000, 0.0f));
    const std::size_t copy = EditHistory::measure({live.get()});
    for (int i = 1; i <= 30; ++i) {
        std::unique_ptr<Renderable> next = cloneLayerTree(*live);
        next->variables[0].overrideValue = 0.01f * i;
        step(h, live, std::move(next));
        ASSERT_LE(h.bytes(), EditHistory::defaultMaxBytes);
    }
    // As many whole copies as fit, less a little for the records.
    EXPECT_GE(h.undoCount(), EditHistory::defaultMaxBytes / copy - 1);
    EXPECT_LE(h.undoCount(), EditHistory::defaultMaxBytes / copy);
}

TEST_F(BoundsTest, ANewStepDropsTheRedoStepsAndAnUnchangedOneKeepsThem)
{
    EditHistory h;
    std::unique_ptr<Renderable> live(noiseChain(1, 0.0f));
    step(h, live, noiseChain(1, 1.0f));
    step(h, live, noiseChain(1, 2.0f));
    undo(h, live);
    ASSERT_EQ(h.redoCount(), 1u);
    EXPECT_FALSE(step(h, live, cloneLayerTree(*live))) << "nothing changed: no step";
    EXPECT_EQ(h.redoCount(), 1u);
    EXPECT_TRUE(step(h, live, noiseChain(1, 3.0f)));
    EXPECT_EQ(h.redoCount(), 0u);
    EXPECT_EQ(h.undoCount(), 2u);
    // No composition at all is a state too.
    EXPECT_TRUE(step(h, live, nullptr));
    undo(h, live);
    ASSERT_TRUE(live);
    EXPECT_EQ(live->variables[0].overrideValue, 3.0f);
    redo(h, live);
    EXPECT_FALSE(live);
}

// --- Whether anything changed ---

TEST_F(BoundsTest, SameLayerTreeSeesEveryChangeBitForBit)
{
    for (unsigned seed = 1; seed <= 30; ++seed) {
        RandomComposition random(seed);
        std::unique_ptr<Renderable> a(random.make(3));
        std::unique_ptr<Renderable> b = cloneLayerTree(*a);
        ASSERT_TRUE(sameLayerTree(a.get(), b.get()));
        EXPECT_EQ(countLayers(a.get()), countLayers(b.get()));

        // One change anywhere in the tree, down to the last bit of a float.
        std::vector<Renderable*> layers{b.get()};
        for (std::size_t i = 0; i < layers.size(); ++i)
            for (int v = 0; v < layers[i]->variableCount; ++v)
                if (Renderable* in = layers[i]->variables[v].getInputLayer()) layers.push_back(in);
        Renderable* target = layers[random.pick(0, static_cast<int>(layers.size()) - 1)];
        LayerVariable& var = target->variables[random.pick(0, target->variableCount - 1)];
        switch (random.pick(0, 6)) {
        case 0: target->x = std::nextafter(target->x, 1e9f); break;
        case 1: target->zoomy = std::nextafter(target->zoomy, 0.0f); break;
        case 2: target->inverse = !target->inverse; break;
        case 3: var.overrideValue = std::nextafter(var.overrideValue, 1e9f); break;
        case 4: var.minValue = std::nextafter(var.minValue, -1e9f); break;
        case 5:
            if (var.getInputLayer()) var.removeInputLayer();
            else var.setInputLayer(createLayer(1));
            break;
        case 6: var.name[0] = 'x'; break;
        }
        EXPECT_FALSE(sameLayerTree(a.get(), b.get())) << "seed " << seed;
        EXPECT_FALSE(sameLayerTree(b.get(), a.get()));
    }
    std::unique_ptr<Renderable> n(createLayer(0));
    n->variables[0].overrideValue = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(sameLayerTree(n.get(), cloneLayerTree(*n).get())) << "a NaN is the same NaN";
    std::unique_ptr<Renderable> zero(createLayer(0));
    std::unique_ptr<Renderable> negativeZero(createLayer(0));
    negativeZero->x = -0.0f;
    EXPECT_FALSE(sameLayerTree(zero.get(), negativeZero.get()));
    EXPECT_TRUE(sameLayerTree(nullptr, nullptr));
    EXPECT_FALSE(sameLayerTree(zero.get(), nullptr));
    EXPECT_EQ(countLayers(nullptr), 0);
    EXPECT_EQ(countLayers(noiseChain(1500, 0).get()), 1500);
}

// --- Title ---

TEST(WindowTitleTest, TheFileNameAndAStarForUnsavedChanges)
{
    EXPECT_EQ(windowtitle::compose("", false), "Patternlens v1.75");
    EXPECT_EQ(windowtitle::compose("", true), "Patternlens v1.75");
    EXPECT_EQ(windowtitle::compose("/home/u/scenes/name.xml", false), "Patternlens v1.75 \u2014 name.xml");
    EXPECT_EQ(windowtitle::compose("name.xml", true), "Patternlens v1.75 \u2014 name.xml *");
    EXPECT_EQ(windowtitle::fileName("/a/b/c.xml"), "c.xml");
    EXPECT_EQ(windowtitle::fileName("c.xml"), "c.xml");
}

} // namespace
