// A copied layer tree is the original, float for float: it renders the same
// bytes at every layer and writes the same scene text, and it shares nothing
// with the original.
#include "app/layercontrols.h"
#include "layers/layerclone.h"
#include "layers/renderable.h"
#include "persistence/scenefile.h"
#include "randomcomposition.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Walks both trees side by side, comparing each pair of layers' pixels.
void expectSamePixels(Renderable& a, Renderable& b, unsigned seed)
{
    a.fillPixels();
    b.fillPixels();
    ASSERT_EQ(a.pixels, b.pixels) << "seed " << seed;
    ASSERT_EQ(a.variableCount, b.variableCount);
    for (int i = 0; i < a.variableCount; ++i) {
        Renderable* inA = a.variables[i].getInputLayer();
        Renderable* inB = b.variables[i].getInputLayer();
        ASSERT_EQ(inA == nullptr, inB == nullptr);
        if (!inA) continue;
        EXPECT_NE(inA, inB);
        EXPECT_EQ(inB->parent, &b);
        expectSamePixels(*inA, *inB, seed);
    }
}

TEST(LayerCloneTest, RandomTreesCopyExactlyAndIndependently)
{
    LayerControls controls;
    controls.setViewportSize(19, 13);
    for (unsigned seed = 1; seed <= 40; ++seed) {
        RandomComposition random(seed);
        std::unique_ptr<Renderable> original(random.make(3));
        // Views and values with more than six decimals: only an exact copy
        // keeps them.
        original->pan(random.pick(-7, 7), random.pick(-7, 7));
        original->zoomBy(random.uniform(-0.3f, 0.3f));

        std::unique_ptr<Renderable> copy = cloneLayerTree(*original);
        ASSERT_TRUE(copy);
        EXPECT_EQ(copy->parent, nullptr);
        expectSamePixels(*original, *copy, seed);
        Renderable* a = original.get();
        Renderable* b = copy.get();
        EXPECT_EQ(scenefile::text(&a, 1), scenefile::text(&b, 1));

        // Editing the copy leaves the original alone.
        const std::vector<std::uint8_t> before = original->pixels;
        copy->pan(3, 0);
        copy->inverse = !copy->inverse;
        original->fillPixels();
        EXPECT_EQ(before, original->pixels);
    }
}

} // namespace
