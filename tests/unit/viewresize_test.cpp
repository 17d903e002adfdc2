// A new drawing-area size: a resized window keeps every view's middle and
// scale through the whole tree, and a return to a size its views exactly; a picture at another size keeps the views
// and equals a fresh read of the scene at that size, byte for byte.
#include "app/layercontrols.h"
#include "app/drawingarearesize.h"
#include "layers/viewresize.h"
#include "layers/layerclone.h"
#include "layers/layercompare.h"
#include "layers/renderable.h"
#include "persistence/scenefile.h"
#include "randomcomposition.h"
#include "ui/controls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

std::vector<Renderable*> treeOf(Renderable& root)
{
    std::vector<Renderable*> layers{&root};
    for (std::size_t k = 0; k < layers.size(); ++k)
        for (int i = 0; i < layers[k]->variableCount; ++i)
            if (Renderable* input = layers[k]->variables[i].getInputLayer()) layers.push_back(input);
    return layers;
}

TEST(ViewResize, ClampedSizeIsNeverBelowOnePixel)
{
    EXPECT_EQ(viewresize::clampedSize(0, -5).width, 1);
    EXPECT_EQ(viewresize::clampedSize(0, -5).height, 1);
    EXPECT_EQ(viewresize::clampedSize(640, 1).width, 640);
    EXPECT_EQ(viewresize::clampedSize(640, 1).height, 1);
}

TEST(ViewResize, ResizesAndAReturnLeaveEveryViewAsItWas)
{
    // Any sequence of drawing-area sizes, down to a single pixel (a window
    // narrower than the panel), then the size the views were set at: every
    // view, and every reference, is bit for bit what it was.
    LayerControls controls;
    controls.setViewportSize(400, 470);
    std::mt19937 rng(19);
    std::uniform_int_distribution<int> side(-3, 900);
    for (unsigned seed = 1; seed <= 40; ++seed) {
        RandomComposition random(seed);
        std::unique_ptr<Renderable> root(random.make(3));
        if (seed % 4 == 0) root->setView(root->x, root->y, 0.1f, 0.1f);   // zoomed as far in as a user may
        const std::unique_ptr<Renderable> before = cloneLayerTree(*root);
        const int steps = 1 + static_cast<int>(rng() % 6);
        for (int k = 0; k < steps; ++k) viewresize::resizeKeepingScale(*root, side(rng), side(rng));
        viewresize::resizeKeepingScale(*root, 400, 470);
        EXPECT_TRUE(sameLayerTree(root.get(), before.get())) << "seed " << seed;
    }
}

TEST(ViewResize, ExactScalesStayExact)
{
    LayerControls controls;
    controls.setViewportSize(400, 470);
    RandomComposition random(7);
    std::unique_ptr<Renderable> root(random.make(2));
    root->setView(1.5f, -2.25f, 20.0f, 20.0f);
    viewresize::resizeKeepingScale(*root, 600, 564);
    EXPECT_EQ(root->zoomx, 30.0f);
    EXPECT_EQ(root->zoomy, 24.0f);
    // The point in the middle of the drawing area, (1.5, -2.25 - 20), stays.
    EXPECT_EQ(root->x, 1.5f);
    EXPECT_EQ(root->y, 1.75f);
}

// Keeping the aspect, on random trees, drawing areas and image sizes: every
// layer keeps x and zoomx, shows units down and across in the proportion
// the drawing area showed, and its middle row shows the layer y it showed;
// an image of the drawing area's shape keeps every view bit for bit.
TEST(ViewResize, KeepingTheAspectScalesTheDrawingAreasPictureToTheWidth)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> side(1, 5000);
    for (unsigned seed = 1; seed <= 40; ++seed) {
        RandomComposition random(seed);
        std::unique_ptr<Renderable> root(random.make(3)), kept = cloneLayerTree(*root), same = cloneLayerTree(*root);
        const drawingarea::Size drawn{side(rng), side(rng)};
        const int width = side(rng), height = seed % 4 == 0 ? width : side(rng);
        viewresize::resizeKeepingAspect(*kept, width, height, drawn);
        viewresize::resizeKeepingAspect(*same, drawn.width * 3, drawn.height * 3, drawn);
        const std::vector<Renderable*> before = treeOf(*root), after = treeOf(*kept), scaled = treeOf(*same);
        for (std::size_t k = 0; k < before.size(); ++k) {
            const Renderable &a = *before[k], &b = *after[k];
            EXPECT_EQ(std::vector<float>({b.x, b.zoomx}), std::vector<float>({a.x, a.zoomx}));
            const double aspect = (double(a.zoomy) / drawn.height) / (double(a.zoomx) / drawn.width);
            EXPECT_NEAR((double(b.zoomy) / height) / (double(b.zoomx) / width) / aspect, 1.0, 1e-6) << seed;
            EXPECT_NEAR(double(b.y) - b.zoomy, double(a.y) - a.zoomy, 1e-5 * (std::fabs(a.y) + a.zoomy + b.zoomy));
            EXPECT_EQ(std::vector<float>({scaled[k]->x, scaled[k]->y, scaled[k]->zoomx, scaled[k]->zoomy}),
                      std::vector<float>({a.x, a.y, a.zoomx, a.zoomy})) << seed;
        }
    }
}

TEST(ViewResize, APictureAtAnotherSizeIsTheSceneReadAtThatSize)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::string text;
        std::unique_ptr<Renderable> shown;
        LayerControls small;
        small.setViewportSize(19, 13);
        {
            RandomComposition random(seed);
            std::unique_ptr<Renderable> made(random.make(3));
            Renderable* base = made.get();
            text = scenefile::text(&base, 1);
            shown = std::move(scenefile::parse(text).baseLayer);
            ASSERT_TRUE(shown);
        }
        std::unique_ptr<Renderable> copy = cloneLayerTree(*shown);
        viewresize::resizeKeepingView(*copy, 37, 23);

        LayerControls large;
        large.setViewportSize(37, 23);
        std::unique_ptr<Renderable> fresh = std::move(scenefile::parse(text).baseLayer);
        ASSERT_TRUE(fresh);
        copy->fillPixels();
        fresh->fillPixels();
        EXPECT_EQ(copy->pixels, fresh->pixels) << "seed " << seed;
        EXPECT_EQ(copy->zoomx, shown->zoomx);
    }
}

TEST(ViewResize, TheDrawingAreaResizesTheWholeCompositionOnce)
{
    ui::ControlWindow window;
    LayerControls controls;
    controls.setViewportSize(40, 50);
    controls.build(&window);
    RandomComposition random(3);
    controls.setBaseLayer(random.make(2));
    controls.takeRedrawRequest();

    EXPECT_FALSE(viewresize::resizeDrawingArea(controls, 40, 50));
    EXPECT_FALSE(controls.takeRedrawRequest());

    EXPECT_TRUE(viewresize::resizeDrawingArea(controls, 80, -3));
    EXPECT_TRUE(controls.takeRedrawRequest());
    EXPECT_EQ(controls.viewportWidth, 80);
    EXPECT_EQ(controls.viewportHeight, 1);
    for (Renderable* l : treeOf(*controls.baseLayers[0])) {
        EXPECT_EQ(l->textureWidth, 80);
        EXPECT_EQ(l->textureHeight, 1);
    }
    // Layers made afterwards take the new size.
    controls.onChangeBase();
    EXPECT_EQ(controls.currentLayer->textureWidth, 80);
}

} // namespace
