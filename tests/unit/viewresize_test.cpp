// A new drawing-area size: a resized window keeps every view's centre and
// scale through the whole tree; a picture at another size keeps the views
// and equals a fresh read of the scene at that size, byte for byte.
#include "app/layercontrols.h"
#include "app/viewresize.h"
#include "layers/layerclone.h"
#include "layers/renderable.h"
#include "persistence/scenefile.h"
#include "randomcomposition.h"
#include "ui/controls.h"

#include <gtest/gtest.h>

#include <memory>
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

TEST(ViewResize, EveryLayerKeepsItsCentreAndScale)
{
    LayerControls controls;
    controls.setViewportSize(40, 47);
    const int sizes[][2] = {{60, 47}, {41, 94}, {1, 1}, {333, 12}};
    for (unsigned seed = 1; seed <= 30; ++seed) {
        RandomComposition random(seed);
        std::unique_ptr<Renderable> root(random.make(3));
        const int* size = sizes[seed % 4];
        std::vector<Renderable*> layers = treeOf(*root);
        struct Before {
            float x, y, sx, sy;
        };
        std::vector<Before> before;
        for (Renderable* l : layers) before.push_back({l->x, l->y, l->zoomx / 40, l->zoomy / 47});

        viewresize::resizeKeepingScale(*root, size[0], size[1]);

        for (std::size_t k = 0; k < layers.size(); ++k) {
            const Renderable& l = *layers[k];
            EXPECT_EQ(l.textureWidth, size[0]) << "seed " << seed;
            EXPECT_EQ(l.textureHeight, size[1]);
            EXPECT_EQ(l.x, before[k].x);
            EXPECT_EQ(l.y, before[k].y);
            // The scale is kept unless the view limits forbid the extent.
            const float zx = before[k].sx * size[0], zy = before[k].sy * size[1];
            if (zx >= 0.1f) EXPECT_NEAR(l.zoomx / size[0], before[k].sx, before[k].sx * 1e-6f) << "seed " << seed;
            else EXPECT_EQ(l.zoomx, 0.1f);
            if (zy >= 0.1f) EXPECT_NEAR(l.zoomy / size[1], before[k].sy, before[k].sy * 1e-6f) << "seed " << seed;
            else EXPECT_EQ(l.zoomy, 0.1f);
            // The mapping follows: pixel 0 is at the left edge of the view.
            EXPECT_EQ(l.mapping.windowWidth, static_cast<float>(size[0]));
            EXPECT_EQ(l.mapping.layerLeft, static_cast<float>(l.x - l.zoomx / 2.0));
        }
        root->fillPixels();
        EXPECT_EQ(root->pixels.size(), static_cast<std::size_t>(size[0]) * size[1]);
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
    EXPECT_EQ(root->x, 1.5f);
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
