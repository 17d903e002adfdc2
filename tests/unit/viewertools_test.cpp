// The viewer's daily tools, headless: the path through the tree and its
// clickable steps, the statistics of the current layer, the value readout
// under the pointer, and the wheel's zoom.
#include "app/layercontrols.h"
#include "layers/layerpath.h"
#include "app/layerstats.h"
#include "app/pointerreadout.h"
#include "layers/viewresize.h"
#include "layers/layerclone.h"
#include "app/wheelzoom.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "layers/rowloop.h"
#include "ui/controls.h"

#include "randomcomposition.h"
#include "testlayers.h"
#include "tests/support/renderschedulerprobe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

namespace {

class ViewerTools : public ::testing::Test {
protected:
    void SetUp() override
    {
        controls.setViewportSize(40, 30);
        controls.build(&window);
        controls.setInfoField(&info);
    }

    void choose(ui::Listbox* list, const std::string& text)
    {
        for (const auto& item : list->items())
            if (item.text == text) list->choose(item.id);
    }

    // Circles › Spacing: Noise › Cutoff: Squares, with Squares current.
    void buildChain()
    {
        choose(controls.layerTypeList, "Circles");
        controls.onChangeBase();
        choose(controls.variableList, "Spacing");
        choose(controls.layerTypeList, "Noise");
        controls.onAssignInputLayer();
        choose(controls.layerTypeList, "Squares");
        controls.onAssignInputLayer();
    }

    ui::ControlWindow window;
    ui::EditText info{"Info: ", -1, nullptr};
    LayerControls controls;
};

// --- Path ---

TEST_F(ViewerTools, ThePathNamesEachVariableAndTypeFromTheBaseDown)
{
    buildChain();
    const std::vector<layerpath::Step> steps = layerpath::stepsTo(controls.currentLayer);
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(layerpath::text(steps), "Circles \u203a Spacing: Noise \u203a Cutoff: Squares");
    EXPECT_EQ(steps[0].layer, controls.baseLayers[0]);
    EXPECT_EQ(steps[2].layer, controls.currentLayer);
    EXPECT_EQ(controls.pathBar->steps(), (std::vector<std::string>{"Circles", "Spacing: Noise", "Cutoff: Squares"}));
    EXPECT_TRUE(layerpath::stepsTo(nullptr).empty());
}

TEST_F(ViewerTools, AClickOnAStepGoesToThatLayer)
{
    buildChain();
    Renderable* squares = controls.currentLayer;
    Renderable* noise = squares->parent;
    controls.takeRedrawRequest();

    controls.pathBar->choose(2);   // where we are: nothing happens
    EXPECT_EQ(controls.currentLayer, squares);
    EXPECT_FALSE(controls.takeRedrawRequest());
    controls.pathBar->choose(7);   // no such step
    EXPECT_EQ(controls.currentLayer, squares);

    controls.pathBar->choose(1);
    EXPECT_EQ(controls.currentLayer, noise);
    EXPECT_TRUE(controls.takeRedrawRequest());
    EXPECT_EQ(controls.pathBar->steps().size(), 2u);
    EXPECT_EQ(controls.variableList->selectedText(), "Cutoff");   // the panel shows the layer afresh
    EXPECT_TRUE(controls.goToParentButton->enabled());

    controls.pathBar->choose(0);
    EXPECT_EQ(controls.currentLayer, controls.baseLayers[0]);
    EXPECT_FALSE(controls.goToParentButton->enabled());
    EXPECT_EQ(controls.pathBar->steps(), std::vector<std::string>{"Circles"});
}

// --- Statistics ---

// What a render of the layer gathers beside its pixels.
layerstats::Stats statsOf(const Renderable& layer)
{
    layerstats::Accumulator values(layer.textureHeight);
    rowloop::evaluate(layer, rowloop::wholeTexture(layer), values);
    return values.result();
}

TEST(LayerStats, BinsSplitZeroToOneEvenly)
{
    EXPECT_EQ(layerstats::binOf(-0.5f), 0);
    EXPECT_EQ(layerstats::binOf(0.0f), 0);
    EXPECT_EQ(layerstats::binOf(1.0f / 32 - 1e-7f), 0);
    EXPECT_EQ(layerstats::binOf(1.0f / 32), 1);
    EXPECT_EQ(layerstats::binOf(0.5f), 16);
    EXPECT_EQ(layerstats::binOf(0.99999f), 31);
    EXPECT_EQ(layerstats::binOf(1.0f), 31);
    EXPECT_EQ(layerstats::binOf(7.0f), 31);
}

TEST(LayerStats, MeasureAgreesWithAPixelByPixelCount)
{
    LayerControls controls;
    for (int size : {1, 7, 130, 301}) {
        controls.setViewportSize(size, size / 2 + 1);
        for (unsigned seed = 1; seed <= 6; ++seed) {
            RandomComposition random(seed * 31 + static_cast<unsigned>(size));
            std::unique_ptr<Renderable> layer(random.make(2));
            const layerstats::Stats stats = statsOf(*layer);

            layerstats::Stats expected;
            double sum = 0;
            for (int j = 0; j < layer->textureHeight; ++j)
                for (int i = 0; i < layer->textureWidth; ++i) {
                    const float v = layer->pixelValue(i, j);
                    if (expected.count == 0 || v < expected.min) expected.min = v;
                    if (expected.count == 0 || v > expected.max) expected.max = v;
                    ++expected.count;
                    sum += v;
                    ++expected.bins[layerstats::binOf(v)];
                }
            EXPECT_EQ(stats.count, expected.count);
            EXPECT_EQ(stats.min, expected.min) << "seed " << seed;
            EXPECT_EQ(stats.max, expected.max);
            EXPECT_NEAR(stats.mean, sum / expected.count, 1e-9);
            EXPECT_EQ(stats.bins, expected.bins);
        }
    }
}

TEST(LayerStats, InverseNaNAndEmptyLayers)
{
    LayerControls controls;
    controls.setViewportSize(4, 2);
    std::unique_ptr<ProbeLayer> layer(ProbeLayer::make(0, [](int x, int) {
        return x == 3 ? std::numeric_limits<float>::quiet_NaN() : 0.25f * static_cast<float>(x);
    }));
    layer->inverse = true;   // 1, 0.75, 0.5 and NaN
    const layerstats::Stats stats = statsOf(*layer);
    EXPECT_EQ(stats.count, 6);
    EXPECT_EQ(stats.min, 0.5f);
    EXPECT_EQ(stats.max, 1.0f);
    EXPECT_DOUBLE_EQ(stats.mean, 0.75);
    EXPECT_EQ(layerstats::caption(stats), "min 0.5000  max 1.0000\nmean 0.7500");
    const std::vector<float> bars = layerstats::bars(stats);
    EXPECT_FLOAT_EQ(bars[16], 1.0f / 3);
    EXPECT_FLOAT_EQ(bars[24], 1.0f / 3);
    EXPECT_FLOAT_EQ(bars[31], 1.0f / 3);

    layer->textureWidth = 0;
    EXPECT_EQ(statsOf(*layer).count, 0);
    EXPECT_EQ(layerstats::caption(statsOf(*layer)), "no values");
}

TEST(LayerStats, ThreadsMayMeasureAtOnce)
{
    LayerControls controls;
    controls.setViewportSize(200, 150);
    RandomComposition random(5);
    std::unique_ptr<Renderable> layer(random.make(3));
    const layerstats::Stats alone = statsOf(*layer);
    layerstats::Stats other;
    std::thread worker([&] { other = statsOf(*layer); });
    const layerstats::Stats here = statsOf(*layer);
    worker.join();
    EXPECT_EQ(here.bins, alone.bins);
    EXPECT_EQ(other.bins, alone.bins);
    EXPECT_EQ(here.mean, alone.mean);   // the same sum, in the same order
    EXPECT_EQ(other.mean, alone.mean);
}

TEST_F(ViewerTools, StatisticsComeWithEachPictureOfTheCurrentLayer)
{
    // The picture and its statistics are made together, off the main loop:
    // they appear with the picture, and they are the current layer's.
    auto settle = [&] {
        for (int tick = 0; tick < 1000 && controls.tickPending(); ++tick) {
            controls.updatePicture();
            RenderSchedulerProbe::waitWhileRendering(controls.renderer);
        }
    };
    buildChain();
    EXPECT_TRUE(controls.tickPending());
    settle();
    EXPECT_FALSE(controls.tickPending()) << "the picture is shown: the viewer may sleep";
    EXPECT_EQ(controls.statistics->bars().size(), static_cast<std::size_t>(layerstats::binCount));
    EXPECT_EQ(controls.statistics->caption(), layerstats::caption(statsOf(*controls.currentLayer)));

    controls.onGoToParent();
    controls.onGoToParent();   // the Circles layer: only 0 and 1
    settle();
    EXPECT_EQ(controls.statistics->caption(), layerstats::caption(statsOf(*controls.currentLayer)));
    const std::vector<float>& bars = controls.statistics->bars();
    ASSERT_EQ(bars.size(), static_cast<std::size_t>(layerstats::binCount));
    for (int b = 1; b + 1 < layerstats::binCount; ++b) EXPECT_EQ(bars[b], 0.0f) << "bin " << b;
}

// --- Pointer readout ---

TEST(PointerReadout, TheWindowPointFindsTheTexturePixelItShows)
{
    LayerControls controls;
    controls.setViewportSize(40, 30);
    std::unique_ptr<ProbeLayer> layer(ProbeLayer::make(0));
    int i = -1, j = -1;
    ASSERT_TRUE(pointerreadout::pixelAt(*layer, 0, 0, 40, 30, &i, &j));
    EXPECT_EQ(i, 0);
    EXPECT_EQ(j, 29);   // the top row of the window is the texture's last
    ASSERT_TRUE(pointerreadout::pixelAt(*layer, 39, 29, 40, 30, &i, &j));
    EXPECT_EQ(i, 39);
    EXPECT_EQ(j, 0);
    // A texture stretched over a bigger area.
    ASSERT_TRUE(pointerreadout::pixelAt(*layer, 79, 0, 80, 60, &i, &j));
    EXPECT_EQ(i, 39);
    EXPECT_EQ(j, 29);
    EXPECT_FALSE(pointerreadout::pixelAt(*layer, 40, 5, 40, 30, &i, &j));
    EXPECT_FALSE(pointerreadout::pixelAt(*layer, 5, -1, 40, 30, &i, &j));
}

TEST(PointerReadout, TheTextHoldsTheLayerPointAndTheFloatValue)
{
    LayerControls controls;
    controls.setViewportSize(40, 30);
    std::unique_ptr<ProbeLayer> layer(ProbeLayer::make(0, [](int x, int y) { return 0.001f * x + 0.1f * y; }));
    layer->setView(3.25f, -1.5f, 4.0f, 3.0f);
    // Pixel (20, 15) is the centre of the view: x 3.25, y -1.5 - 1.5 - 1.5.
    EXPECT_EQ(pointerreadout::text(*layer, 20, 15), "x 3.2500  y -4.5000  value 1.5200");
    layer->inverse = true;   // the value as shown, before the byte
    EXPECT_EQ(pointerreadout::text(*layer, 2, 0), "x 1.4500  y -3.0000  value 0.9980");
}

// Every tile of the preview reads the half-size picture under the pointer,
// and a drag there pans by twice its screen pixels.
TEST(PointerReadout, InTheTilePreviewEveryTileReadsTheHalfSizePicture)
{
    LayerControls controls;
    controls.setViewportSize(40, 30);
    controls.setBaseLayer(RandomComposition(3).make(2));
    controls.onTilePreview();
    std::unique_ptr<Renderable> half = cloneLayerTree(*controls.currentLayer);
    viewresize::resizeKeepingView(*half, 20, 15);
    for (int x : {0, 7, 19})
        for (int y : {0, 9, 14})
            for (int tile = 0; tile < 4; ++tile) {
                controls.showPointer(x + 20 * (tile % 2), y + 15 * (tile / 2));
                EXPECT_EQ(controls.infoLine.text(), pointerreadout::text(*half, x, 14 - y)) << x << ", " << y;
            }
    std::unique_ptr<Renderable> moved = cloneLayerTree(*controls.currentLayer);
    moved->pan(6, -4);
    controls.panCurrentLayer(3, -2);
    EXPECT_EQ(controls.currentLayer->x, moved->x);
    EXPECT_EQ(controls.currentLayer->y, moved->y);

    // The wheel keeps the point under the pointer in the tile it is over.
    const auto pointInTile = [&](int x, int y) {
        std::unique_ptr<Renderable> tile = cloneLayerTree(*controls.currentLayer);
        viewresize::resizeKeepingView(*tile, 20, 15);
        float lx = static_cast<float>(x), ly = static_cast<float>(14 - y);
        tile->mapping.windowToLayer(lx, ly);
        return std::make_pair(lx, ly);
    };
    const auto before = pointInTile(5, 4);
    controls.zoomCurrentLayerAt(24, 25, 19);   // tile (5, 4) of the lower right tile
    const auto after = pointInTile(5, 4);
    EXPECT_NEAR(after.first, before.first, 1e-3 * controls.currentLayer->zoomx);
    EXPECT_NEAR(after.second, before.second, 1e-3 * controls.currentLayer->zoomy);
}

TEST_F(ViewerTools, TheReadoutGivesWayToTheLastOutcomeOutsideTheArea)
{
    controls.setBaseLayer(ProbeLayer::make(0, [](int, int) { return 0.25f; }));
    controls.reportOutcome("Could not load x.xml: No such file or directory");
    controls.showPointer(10, 10);
    EXPECT_EQ(info.get_text().rfind("x ", 0), 0u);
    EXPECT_NE(info.get_text().find("value 0.2500"), std::string::npos);
    controls.showPointer(45, 10);   // over the panel
    EXPECT_EQ(info.get_text(), "Could not load x.xml: No such file or directory");
    controls.showPointer(1, 1);
    controls.clearPointer();
    EXPECT_EQ(info.get_text(), "Could not load x.xml: No such file or directory");
    // A new outcome replaces the readout at once.
    controls.showPointer(1, 1);
    controls.reportOutcome("Exporting a.png: 10%");
    controls.clearPointer();
    EXPECT_EQ(info.get_text(), "Exporting a.png: 10%");
    // And it stays while the pointer does (the window hears of the pointer
    // again when a dialog closes); a move brings the readout back.
    controls.showPointer(3, 3);
    controls.reportOutcome("Saved a.xml");
    controls.showPointer(3, 3);
    EXPECT_EQ(info.get_text(), "Saved a.xml");
    controls.showPointer(4, 3);
    EXPECT_EQ(info.get_text().rfind("x ", 0), 0u);
}

// --- Wheel ---

TEST_F(ViewerTools, ANotchIsAZoomDragOfFixedPixels)
{
    EXPECT_EQ(wheelzoom::dragPixels(wheelzoom::wheelUpButton), wheelzoom::notchPixels);
    EXPECT_EQ(wheelzoom::dragPixels(wheelzoom::wheelDownButton), -wheelzoom::notchPixels);
    EXPECT_EQ(wheelzoom::dragPixels(0), 0);

    buildChain();
    controls.pathBar->choose(0);
    Renderable* base = controls.currentLayer;
    LayerControls::instance = &controls;
    std::unique_ptr<Renderable> twin(createLayer(base->typeId));
    twin->setView(base->x, base->y, base->zoomx, base->zoomy);

    controls.takeRedrawRequest();
    EXPECT_FALSE(wheelzoom::apply(wheelzoom::wheelUpButton, 1, 7, 11, controls));   // the release
    EXPECT_FALSE(wheelzoom::apply(0, 0, 7, 11, controls));
    EXPECT_FALSE(controls.takeRedrawRequest());
    EXPECT_TRUE(wheelzoom::apply(wheelzoom::wheelUpButton, 0, 7, 11, controls));
    EXPECT_TRUE(controls.takeRedrawRequest());
    twin->zoomBy(static_cast<float>(static_cast<double>(wheelzoom::notchPixels) / 30));
    EXPECT_EQ(base->zoomy, twin->zoomy);
    EXPECT_LT(base->zoomy, 20.0f);   // wheel up zooms in
    // The whole tree follows.
    Renderable* noise = base->variables[1].getInputLayer();
    ASSERT_NE(noise, nullptr);
    EXPECT_EQ(noise->zoomy, base->zoomy);

    EXPECT_TRUE(wheelzoom::apply(wheelzoom::wheelDownButton, 0, 7, 11, controls));
    EXPECT_GT(base->zoomy, twin->zoomy);

    // Each notch is an undo step.
    controls.onUndo();
    EXPECT_EQ(controls.currentLayer->zoomy, twin->zoomy);
    EXPECT_EQ(info.get_text(), "Undid: Zoom");
}

} // namespace
