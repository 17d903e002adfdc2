#include "app/layercontrols.h"

#include "testlayers.h"

#include <gtest/gtest.h>

namespace {

class LayerControlsTest : public ::testing::Test {
protected:
    void SetUp() override { controls.setViewportSize(40, 400); }
    LayerControls controls;
};

TEST_F(LayerControlsTest, RegistersItselfAsTheInstance)
{
    EXPECT_EQ(LayerControls::instance, &controls);
}

TEST_F(LayerControlsTest, WithoutACurrentLayerNothingHappensAndNoRedrawIsRequested)
{
    EXPECT_FALSE(controls.takeRedrawRequest());
    EXPECT_EQ(controls.currentLayer, nullptr);
    controls.renderCurrentLayer();
    controls.drawCurrentLayer();
    controls.panCurrentLayer(3, 4);
    controls.zoomCurrentLayer(50);
    controls.resetCurrentView();
    controls.adjustSelectedVariable(0.5f);
    controls.onInverse();
    EXPECT_FALSE(controls.takeRedrawRequest());
}

TEST_F(LayerControlsTest, RedrawRequestIsOneShot)
{
    controls.setBaseLayer(ProbeLayer::make());
    EXPECT_TRUE(controls.takeRedrawRequest());
    controls.panCurrentLayer(1, 0);
    controls.panCurrentLayer(0, 1);
    EXPECT_TRUE(controls.takeRedrawRequest());
    EXPECT_FALSE(controls.takeRedrawRequest());
}

TEST_F(LayerControlsTest, SetBaseLayerReplacesTheWholeTree)
{
    const int before = ProbeLayer::alive;
    ProbeLayer* first = ProbeLayer::make(1);
    first->attachInput(0, ProbeLayer::make(1));
    controls.setBaseLayer(first);
    EXPECT_EQ(controls.currentLayer, first);
    EXPECT_EQ(ProbeLayer::alive, before + 2);

    ProbeLayer* second = ProbeLayer::make(1);
    controls.setBaseLayer(second);
    EXPECT_EQ(ProbeLayer::alive, before + 1);
    EXPECT_EQ(controls.baseLayers[0], second);
    EXPECT_EQ(controls.currentLayer, second);
    EXPECT_EQ(controls.baseLayerCount, 1);
}

TEST_F(LayerControlsTest, ClearLayersEmptiesWithoutRequestingARedraw)
{
    const int before = ProbeLayer::alive;
    controls.setBaseLayer(ProbeLayer::make());
    controls.takeRedrawRequest();
    controls.clearLayers();
    EXPECT_EQ(controls.currentLayer, nullptr);
    EXPECT_EQ(controls.baseLayerCount, 0);
    EXPECT_EQ(ProbeLayer::alive, before);
    EXPECT_FALSE(controls.takeRedrawRequest());
}

TEST_F(LayerControlsTest, DestroyingTheControllerDestroysTheComposition)
{
    const int before = ProbeLayer::alive;
    {
        LayerControls other;
        other.setViewportSize(4, 4);
        ProbeLayer* base = ProbeLayer::make(1);
        base->attachInput(0, ProbeLayer::make(1));
        other.setBaseLayer(base);
        EXPECT_EQ(ProbeLayer::alive, before + 2);
    }
    EXPECT_EQ(ProbeLayer::alive, before);
}

TEST_F(LayerControlsTest, ZoomFactorIsTheDragOverTheDrawingAreaHeight)
{
    ProbeLayer* base = ProbeLayer::make(1);
    ProbeLayer* input = ProbeLayer::make(1);
    base->attachInput(0, input);
    controls.setBaseLayer(base);
    controls.takeRedrawRequest();
    controls.zoomCurrentLayer(50);   // 50 / 400 = 0.125
    EXPECT_FLOAT_EQ(base->zoomy, 20 * 0.875f);
    EXPECT_FLOAT_EQ(input->zoomy, 20 * 0.875f);
    EXPECT_TRUE(controls.takeRedrawRequest());
    controls.zoomCurrentLayer(400);  // the full height: the smallest extent
    EXPECT_FLOAT_EQ(base->zoomy, 0.1f);
}

TEST_F(LayerControlsTest, PanAndResetActOnTheCurrentLayer)
{
    ProbeLayer* base = ProbeLayer::make(1);
    controls.setBaseLayer(base);
    controls.panCurrentLayer(4, 0);   // 40 pixels show 20 units
    EXPECT_FLOAT_EQ(base->x, 2.0f);
    controls.takeRedrawRequest();
    controls.resetCurrentView();
    EXPECT_EQ(base->x, 0.0f);
    EXPECT_TRUE(controls.takeRedrawRequest());
}

TEST_F(LayerControlsTest, RenderBuildsTheCurrentLayersPixels)
{
    ProbeLayer* base = ProbeLayer::make(0, [](int, int) { return 1.0f; });
    controls.setBaseLayer(base);
    controls.renderCurrentLayer();
    ASSERT_EQ(base->pixels.size(), 40u * 400u);
    EXPECT_EQ(base->pixels.front(), 255);
}

} // namespace
