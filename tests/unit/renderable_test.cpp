#include "layers/renderable.h"

#include "app/layercontrols.h"
#include "layers/texturebackend.h"
#include "layers/viewlimits.h"
#include "testlayers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

class RenderableTest : public ::testing::Test {
protected:
    void SetUp() override { controls.setViewportSize(400, 300); }
    std::unique_ptr<ProbeLayer> make(int variables = 2, ProbeLayer::ValueFunction f = nullptr)
    {
        return std::unique_ptr<ProbeLayer>(ProbeLayer::make(variables, std::move(f)));
    }
    LayerControls controls;
};

TEST_F(RenderableTest, SetupGivesTheDefaultViewAndTheControllerSize)
{
    auto layer = make();
    EXPECT_EQ(layer->textureWidth, 400);
    EXPECT_EQ(layer->textureHeight, 300);
    EXPECT_EQ(layer->x, 0.0f);
    EXPECT_EQ(layer->y, 0.0f);
    EXPECT_EQ(layer->zoomx, 20.0f);
    EXPECT_EQ(layer->zoomy, 20.0f);
    EXPECT_EQ(layer->variableCount, 2);
    EXPECT_FALSE(layer->inverse);
    EXPECT_EQ(layer->parent, nullptr);

    float px = 0, py = 0;
    layer->mapping.windowToLayer(px, py);
    EXPECT_FLOAT_EQ(px, -10);
    EXPECT_FLOAT_EQ(py, -10);
}

TEST_F(RenderableTest, SetZoomHasAMinimumAndIsUniform)
{
    auto layer = make();
    layer->setView(0, 0, 8, 4);
    layer->setZoom(0.05f);
    EXPECT_EQ(layer->zoomx, 0.1f);
    EXPECT_EQ(layer->zoomy, 0.1f);
    layer->setZoom(-3);
    EXPECT_EQ(layer->zoomx, 0.1f);
    layer->setZoom(0.1f);
    EXPECT_EQ(layer->zoomy, 0.1f);
    layer->setZoom(7);
    EXPECT_EQ(layer->zoomx, 7.0f);
    EXPECT_EQ(layer->zoomy, 7.0f);
}

TEST_F(RenderableTest, ZoomByScalesFromTheVerticalExtent)
{
    controls.setViewportSize(400, 470);   // the start-up drawing area
    auto layer = make();
    layer->setView(0, 0, 8, 4);
    layer->zoomBy(0.5f);
    EXPECT_EQ(layer->zoomx, 2.0f);
    EXPECT_EQ(layer->zoomy, 2.0f);
    layer->zoomBy(1);
    EXPECT_EQ(layer->zoomy, 0.1f);
    layer->zoomBy(3);
    EXPECT_EQ(layer->zoomy, 0.1f);
    layer->zoomBy(-1);   // negative factors zoom out
    EXPECT_FLOAT_EQ(layer->zoomy, 0.2f);
}

TEST_F(RenderableTest, InAResizedAreaZoomByKeepsTheViewsShape)
{
    auto layer = make();   // 400 x 300
    layer->setView(0, 0, 8, 4);
    layer->zoomBy(0.5f);
    EXPECT_EQ(layer->zoomx, 4.0f);
    EXPECT_EQ(layer->zoomy, 2.0f);
    layer->zoomBy(0.99f);   // the smallest extent holds each side
    EXPECT_EQ(layer->zoomx, 0.1f);
    EXPECT_EQ(layer->zoomy, 0.1f);
    // Equal extents zoom as in the start-up area, bit for bit.
    layer->setView(0, 0, 20, 20);
    layer->zoomBy(0.3f);
    EXPECT_EQ(layer->zoomx, (1 - 0.3f) * 20.0f);
    EXPECT_EQ(layer->zoomy, layer->zoomx);
}

TEST_F(RenderableTest, PanMovesByPixelsThroughTheMapping)
{
    auto layer = make();
    layer->pan(10, 0);   // 400 pixels show 20 units
    EXPECT_FLOAT_EQ(layer->x, 0.5f);
    EXPECT_EQ(layer->y, 0.0f);
    layer->pan(0, 10);   // 300 pixels show 20 units; down lowers y
    EXPECT_NEAR(layer->y, -10 * 20.0 / 300, 1e-6);
    // The mapping follows the view.
    float px = 0, py = 0;
    layer->mapping.windowToLayer(px, py);
    EXPECT_FLOAT_EQ(px, layer->x - 10);
}

// A tree of three: a layer, its input, and that input's input.
struct Tree {
    ProbeLayer* top;
    ProbeLayer* middle;
    ProbeLayer* bottom;
};

Tree makeTree()
{
    Tree t{ProbeLayer::make(2), ProbeLayer::make(2), ProbeLayer::make(1)};
    t.top->attachInput(1, t.middle);
    t.middle->attachInput(0, t.bottom);
    return t;
}

TEST_F(RenderableTest, PanAndZoomReachEveryLayerBelowByTheSamePixelsAndFactor)
{
    Tree t = makeTree();
    std::unique_ptr<Renderable> owner(t.top);
    t.middle->setView(100, 0, 40, 40);   // a different view: twice the units per pixel
    t.bottom->setView(0, -50, 10, 10);

    t.top->pan(5, -3);
    EXPECT_FLOAT_EQ(t.top->x, 5 * 20.0f / 400);
    EXPECT_FLOAT_EQ(t.top->y, 3 * 20.0f / 300);
    EXPECT_FLOAT_EQ(t.middle->x, 100 + 5 * 40.0f / 400);
    EXPECT_FLOAT_EQ(t.middle->y, 3 * 40.0f / 300);
    EXPECT_FLOAT_EQ(t.bottom->x, 5 * 10.0f / 400);
    EXPECT_FLOAT_EQ(t.bottom->y, -50 + 3 * 10.0f / 300);

    t.top->zoomBy(0.5f);
    EXPECT_FLOAT_EQ(t.top->zoomy, 10);
    EXPECT_FLOAT_EQ(t.middle->zoomy, 20);
    EXPECT_FLOAT_EQ(t.bottom->zoomy, 5);
}

TEST_F(RenderableTest, PanOfAnInputMovesOnlyItsSubtree)
{
    Tree t = makeTree();
    std::unique_ptr<Renderable> owner(t.top);
    t.middle->pan(40, 0);
    EXPECT_EQ(t.top->x, 0.0f);
    EXPECT_FLOAT_EQ(t.middle->x, 2.0f);
    EXPECT_FLOAT_EQ(t.bottom->x, 2.0f);
}

TEST_F(RenderableTest, ResetSetZoomAndSetViewAreNotPassedOn)
{
    Tree t = makeTree();
    std::unique_ptr<Renderable> owner(t.top);
    t.top->setView(1, 2, 3, 4);
    t.top->setZoom(9);
    t.top->resetView();
    EXPECT_EQ(t.middle->x, 0.0f);
    EXPECT_EQ(t.middle->zoomx, 20.0f);
    EXPECT_EQ(t.bottom->zoomy, 20.0f);
}

TEST_F(RenderableTest, AttachInputCopiesTheViewAndReplacesThePreviousInput)
{
    const int before = ProbeLayer::alive;
    auto layer = make(2);
    layer->setView(3.25f, -1.5f, 10, 12);
    ProbeLayer* first = ProbeLayer::make(1);
    layer->attachInput(1, first);
    EXPECT_EQ(first->x, 3.25f);
    EXPECT_EQ(first->y, -1.5f);
    EXPECT_EQ(first->zoomx, 10.0f);
    EXPECT_EQ(first->zoomy, 12.0f);
    EXPECT_EQ(first->parent, layer.get());
    EXPECT_EQ(layer->variables[1].getInputLayer(), first);

    layer->attachInput(1, ProbeLayer::make(1));
    EXPECT_EQ(ProbeLayer::alive, before + 2);   // the first input is gone

    // Out of range: the input stays with the caller.
    std::unique_ptr<ProbeLayer> stray(ProbeLayer::make(1));
    layer->attachInput(2, stray.get());
    layer->attachInput(-1, stray.get());
    EXPECT_EQ(stray->parent, nullptr);
}

TEST_F(RenderableTest, VariablesByIndexIgnoreIndicesOutOfRange)
{
    auto layer = make(2);
    layer->variables[0].init(layer.get(), "A", 0.9f, 1.0f, 0.0f);
    layer->adjustVariable(0, 0.3f);
    EXPECT_EQ(layer->variables[0].getValue(), 1.0f);
    layer->adjustVariable(0, -0.25f);
    EXPECT_FLOAT_EQ(layer->variables[0].getValue(), 0.75f);
    layer->setVariable(1, 7);
    EXPECT_EQ(layer->variables[1].getValue(), 1.0f);
    layer->setVariable(2, 0.1f);    // beyond variableCount
    layer->adjustVariable(-1, 0.1f);
    EXPECT_EQ(layer->variables[2].getValue(), 0.0f);
}

TEST_F(RenderableTest, AdjustAddsToTheFixedValueEvenWhenDriven)
{
    auto layer = make(1);
    layer->attachInput(0, ProbeLayer::make(0, [](int, int) { return 1.0f; }));
    layer->adjustVariable(0, -0.2f);
    EXPECT_FLOAT_EQ(layer->variables[0].getValue(), 0.3f);
    EXPECT_EQ(layer->variables[0].getValueAt(0, 0), 1.0f);
}

TEST_F(RenderableTest, PixelValueAppliesInverse)
{
    auto layer = make(0, [](int, int) { return 0.25f; });
    EXPECT_EQ(layer->pixelValue(0, 0), 0.25f);
    layer->inverse = true;
    EXPECT_EQ(layer->pixelValue(0, 0), 0.75f);
}

TEST_F(RenderableTest, FillPixelsStoresTheTruncatedLowByteRowAfterRow)
{
    controls.setViewportSize(9, 2);
    // One value per column, the second row mirrors the first through inverse
    // only for column 0, so the row layout is visible too.
    const float values[9] = {1.0f, 0.5f, 0.004f, 0.0f, 0.003f, -0.5f, 1.5f, nan, inf};
    auto layer = make(0, [&](int x, int y) { return y == 1 && x == 0 ? 0.0f : values[x]; });
    EXPECT_EQ(layer->pixelData(), nullptr);   // nothing allocated before the first render
    layer->fillPixels();
    ASSERT_EQ(layer->pixels.size(), 18u);
    const std::uint8_t expected[9] = {255, 127, 1, 0, 0, 129, 126, 0, 0};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(layer->pixels[i], expected[i]) << "column " << i;
    EXPECT_EQ(layer->pixels[9], 0);
    EXPECT_EQ(layer->pixels[10], 127);
}

TEST_F(RenderableTest, LayersBelowTheShownOneAllocateNoPixels)
{
    Tree t = makeTree();
    std::unique_ptr<Renderable> owner(t.top);
    t.top->fillPixels();
    EXPECT_NE(t.top->pixelData(), nullptr);
    EXPECT_EQ(t.middle->pixelData(), nullptr);
    EXPECT_EQ(t.bottom->pixelData(), nullptr);
}

// The view limits keep every mapping valid, however far a user zooms or pans.
TEST_F(RenderableTest, ViewsStayValidUnderExtremeZoomAndPan)
{
    auto layer = make();
    for (int i = 0; i < 200; ++i) layer->zoomBy(-1);   // doubling 200 times would overflow
    EXPECT_EQ(layer->zoomy, viewlimits::maxExtent);
    layer->zoomBy(1);                                   // 0 x a huge extent, not NaN
    EXPECT_EQ(layer->zoomy, viewlimits::minExtent);
    layer->zoomBy(nan);
    EXPECT_EQ(layer->zoomy, viewlimits::minExtent);

    layer->setZoom(viewlimits::maxExtent);
    for (int i = 0; i < 100; ++i) layer->pan(400, -300);   // right and up
    EXPECT_EQ(layer->x, viewlimits::maxCentre);
    EXPECT_EQ(layer->y, viewlimits::maxCentre);
    layer->setZoom(0);   // the smallest extent far out still leaves left < right
    EXPECT_LT(layer->mapping.layerLeft, layer->mapping.layerRight);
    EXPECT_LT(layer->mapping.layerTop, layer->mapping.layerBottom);

    layer->setView(1e9f, -inf, 1e30f, 5);
    EXPECT_EQ(layer->x, viewlimits::maxCentre);
    EXPECT_EQ(layer->y, -viewlimits::maxCentre);
    EXPECT_EQ(layer->zoomx, viewlimits::maxExtent);
    layer->setView(nan, 2, 3, 4);
    EXPECT_EQ(layer->x, 0.0f);
    // Inside the limits nothing is changed.
    layer->setView(-99999, 99999, 0.1f, 999999);
    EXPECT_EQ(layer->x, -99999.0f);
    EXPECT_EQ(layer->zoomx, 0.1f);
    EXPECT_EQ(layer->zoomy, 999999.0f);
}

using RenderableDeathTest = RenderableTest;

TEST_F(RenderableDeathTest, SetViewRejectsNonPositiveExtents)
{
    auto layer = make();
    EXPECT_DEATH(layer->setView(0, 0, 0, 1), "zoomX > 0");
    EXPECT_DEATH(layer->setView(0, 0, 1, -2), "zoomY > 0");
    EXPECT_DEATH(layer->setView(0, 0, nan, 1), "zoomX > 0");
}

// Records what a layer asks of its texture backend.
struct RecordingBackend : TextureBackend {
    unsigned next = 7;
    int uploads = 0, draws = 0, deleted = 0;
    int width = 0, height = 0;
    float depth = 0;
    unsigned createTexture() override { return next++; }
    void uploadTexture(unsigned, int w, int h, const std::uint8_t*) override
    {
        ++uploads;
        width = w;
        height = h;
    }
    void drawTexture(unsigned, float d) override
    {
        ++draws;
        depth = d;
    }
    void drawTextureTiles(unsigned, float, float, float, int) override {}
    void deleteTexture(unsigned) override { ++deleted; }
};

TEST_F(RenderableTest, TextureIsMadeOnFirstBuildAndReleasedWithTheLayer)
{
    RecordingBackend backend;
    controls.textureBackend = &backend;
    {
        auto layer = make();
        layer->draw(0.5f);                 // nothing built yet: nothing to draw
        EXPECT_EQ(backend.draws, 0);
        layer->buildTexture();
        layer->buildTexture();
        EXPECT_EQ(layer->texture, 7u);     // made once
        EXPECT_EQ(backend.uploads, 2);
        EXPECT_EQ(backend.width, 400);
        EXPECT_EQ(backend.height, 300);
        layer->draw(0.5f);
        EXPECT_EQ(backend.draws, 1);
        EXPECT_EQ(backend.depth, 0.5f);
    }
    EXPECT_EQ(backend.deleted, 1);
    controls.textureBackend = nullptr;
}

} // namespace
