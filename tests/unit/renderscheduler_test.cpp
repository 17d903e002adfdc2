// Renders off the main loop: whatever the edits and however they interleave
// with the renders, the picture left on screen is the full render of the
// composition as the last edit left it, at most one render is in flight,
// and a render overtaken by an edit delivers nothing. These tests also run
// under ThreadSanitizer (label "threads").
#include "app/layercontrols.h"
#include "app/renderscheduler.h"
#include "layers/viewresize.h"
#include "layers/layerclone.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "layers/texturebackend.h"
#include "randomcomposition.h"
#include "ui/controls.h"

#include "tests/support/noisechain.h"
#include "tests/support/renderschedulerprobe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Picture = RenderScheduler::Picture;

// The reference bytes of a layer as it stands: the plain evaluation.
std::vector<std::uint8_t> referencePixels(Renderable& layer)
{
    std::vector<std::uint8_t> saved = layer.pixels;
    layer.fillPixelsReference();
    std::vector<std::uint8_t> reference = layer.pixels;
    layer.pixels = saved;
    return reference;
}

// Polls as the main loop's timer does until nothing is pending; returns
// whether a picture was handed over on the way.
bool settle(RenderScheduler& scheduler, const Renderable* current, Picture& shown)
{
    bool changed = false;
    for (int i = 0; i < 100000 && scheduler.pending(); ++i) {
        if (scheduler.poll({current}, shown)) changed = true;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    EXPECT_FALSE(scheduler.pending());
    return changed;
}

class RenderSchedulerTest : public ::testing::Test {
protected:
    void SetUp() override { controls.setViewportSize(48, 36); }
    LayerControls controls;
};

TEST_F(RenderSchedulerTest, NothingHappensUntilThePictureIsStale)
{
    RenderScheduler scheduler;
    std::unique_ptr<Renderable> layer(createLayer(0));
    Picture shown;
    EXPECT_FALSE(scheduler.pending());
    EXPECT_FALSE(scheduler.poll({layer.get()}, shown));
    EXPECT_EQ(RenderSchedulerProbe::counts(scheduler).started, 0u);
}

TEST_F(RenderSchedulerTest, AStalePictureIsRenderedOnceAndExactly)
{
    RenderScheduler scheduler;
    std::unique_ptr<Renderable> layer(RandomComposition(7).make(3));
    Picture shown;
    scheduler.markStale();
    scheduler.markStale();   // any number of edits before a tick: one render
    EXPECT_TRUE(settle(scheduler, layer.get(), shown));
    EXPECT_EQ(shown.width, 48);
    EXPECT_EQ(shown.height, 36);
    EXPECT_EQ(shown.pixels, referencePixels(*layer));
    const RenderScheduler::Counts counts = RenderSchedulerProbe::counts(scheduler);
    EXPECT_EQ(counts.started, 1u);
    EXPECT_EQ(counts.finished, 1u);
    EXPECT_EQ(counts.superseded, 0u);
    EXPECT_TRUE(layer->pixels.empty()) << "the render touched the original";
}

TEST_F(RenderSchedulerTest, WithoutALayerThePictureEmptiesOnceTheRenderInFlightHasStopped)
{
    RenderScheduler scheduler;
    std::unique_ptr<Renderable> layer = noiseChain(40);
    Picture shown;
    scheduler.markStale();
    EXPECT_FALSE(scheduler.poll({layer.get()}, shown));   // started
    scheduler.markStale();
    layer.reset();                                       // the composition is gone
    shown.pixels.assign(10, 1);
    settle(scheduler, nullptr, shown);
    EXPECT_TRUE(shown.pixels.empty());
    const RenderScheduler::Counts counts = RenderSchedulerProbe::counts(scheduler);
    EXPECT_EQ(counts.started, 1u);
    EXPECT_EQ(counts.finished + counts.superseded, 1u);
}

TEST_F(RenderSchedulerTest, AnEditStopsTheRenderInFlightWhichDeliversNothing)
{
    RenderScheduler scheduler;
    // Long enough that the render is still running when the edit comes,
    // even on a fast machine; a stopped render takes a row at most.
    controls.setViewportSize(200, 150);
    std::unique_ptr<Renderable> layer = noiseChain(300);
    Picture shown;
    scheduler.markStale();
    scheduler.poll({layer.get()}, shown);
    layer->pan(5, 0);
    scheduler.markStale();
    EXPECT_FALSE(scheduler.poll({layer.get()}, shown));   // stops the first, starts nothing yet
    RenderSchedulerProbe::waitWhileRendering(scheduler);
    RenderScheduler::Counts counts = RenderSchedulerProbe::counts(scheduler);
    EXPECT_EQ(counts.started, 1u);
    EXPECT_EQ(counts.superseded, 1u);
    EXPECT_EQ(counts.finished, 0u);
    // The next poll starts the render of the state the edit left.
    EXPECT_FALSE(scheduler.poll({layer.get()}, shown));
    EXPECT_EQ(RenderSchedulerProbe::counts(scheduler).started, 2u);
    RenderSchedulerProbe::waitWhileRendering(scheduler);
    EXPECT_TRUE(scheduler.poll({layer.get()}, shown));
    counts = RenderSchedulerProbe::counts(scheduler);
    EXPECT_EQ(counts.finished, 1u);
    layer->fillPixels();
    EXPECT_EQ(shown.pixels, layer->pixels);
}

TEST_F(RenderSchedulerTest, AfterShutDownTheRenderInFlightIsGoneAndPollsRenderOnTheSpot)
{
    controls.setViewportSize(200, 150);
    std::unique_ptr<Renderable> layer = noiseChain(300);
    RenderScheduler scheduler;
    Picture shown;
    scheduler.markStale();
    scheduler.poll({layer.get()}, shown);
    scheduler.shutDown();
    EXPECT_FALSE(scheduler.pending());
    RenderScheduler::Counts counts = RenderSchedulerProbe::counts(scheduler);
    EXPECT_EQ(counts.started, counts.finished + counts.superseded);

    controls.setViewportSize(48, 36);
    std::unique_ptr<Renderable> small = noiseChain(3);
    scheduler.markStale();
    EXPECT_TRUE(scheduler.poll({small.get()}, shown));
    EXPECT_EQ(shown.pixels, referencePixels(*small));
    EXPECT_FALSE(scheduler.pending());
}

// The model: random edits of every kind, made the way the panel and the
// drags make them, interleaved at random with ticks and pauses. However they
// fall, once the ticks have caught up the picture is the reference render of
// the current layer as it stands, and every render started either delivered
// or was stopped, one at a time.
TEST_F(RenderSchedulerTest, RandomEditsBetweenTicksAlwaysEndOnTheFullLatestPicture)
{
    ui::ControlWindow window;
    controls.build(&window);
    for (unsigned seed = 1; seed <= 12; ++seed) {
        RandomComposition random(seed);
        controls.setBaseLayer(random.make(2));
        RenderScheduler& scheduler = controls.renderer;
        for (int step = 0; step < 60; ++step) {
            switch (random.pick(0, 7)) {
            case 0: controls.panCurrentLayer(random.pick(-20, 20), random.pick(-20, 20)); break;
            case 1: controls.zoomCurrentLayer(random.pick(-10, 10)); break;
            case 2: controls.adjustSelectedVariable(random.uniform(-0.5f, 0.5f)); break;
            case 3: controls.inverseCheckbox->toggle(); break;
            case 4:
                if (controls.assignInputButton->enabled()) controls.assignInputButton->click();
                else if (controls.editInputButton->enabled()) controls.editInputButton->click();
                break;
            case 5: controls.goToParentButton->click(); break;
            case 6: std::this_thread::sleep_for(std::chrono::microseconds(random.pick(0, 3000))); break;
            default: break;
            }
            if (random.pick(0, 1)) controls.updatePicture();
            const RenderScheduler::Counts c = RenderSchedulerProbe::counts(scheduler);
            ASSERT_LE(c.started - c.finished - c.superseded, 1u) << "more than one render in flight";
        }
        for (int i = 0; i < 100000 && (controls.redrawRequested || scheduler.pending()); ++i) {
            controls.updatePicture();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ASSERT_FALSE(scheduler.pending());
        ASSERT_EQ(controls.picture.pixels, referencePixels(*controls.currentLayer)) << "seed " << seed;
        const RenderScheduler::Counts c = RenderSchedulerProbe::counts(scheduler);
        EXPECT_EQ(c.started, c.finished + c.superseded) << "seed " << seed;
    }
}

// A coarse picture is every k-th pixel of the full one, each as a k x k
// block clipped at the edges, and carries no statistics.
TEST_F(RenderSchedulerTest, ACoarsePictureShowsTheExactBytesOfEveryKthPixelAsBlocks)
{
    // 1800 columns are more than one row chunk (256 pixels) at every step:
    // a run that lost the step past the first chunk would show.
    for (const auto& size : {std::pair<int, int>(48, 36), std::pair<int, int>(1800, 5)}) {
        const int width = size.first, height = size.second;
        controls.setViewportSize(width, height);
        std::unique_ptr<Renderable> layer(RandomComposition(11).make(3));
        const std::vector<std::uint8_t> reference = referencePixels(*layer);
        for (int step = 2; step <= 7; ++step) {
            Composition copy{CompositionRef(layer.get())};
            Picture coarse;
            ASSERT_TRUE(RenderScheduler::render(copy, step, nullptr, coarse));
            ASSERT_EQ(coarse.step, step);
            EXPECT_EQ(coarse.stats.count, 0);
            for (int j = 0; j < height; ++j)
                for (int i = 0; i < width; ++i)
                    ASSERT_EQ(coarse.pixels[j * width + i], reference[(j - j % step) * width + i - i % step])
                        << width << " wide, step " << step << ", pixel " << i << ", " << j;
        }
    }
}

// Quick edits of a heavy composition: a coarse picture, then with no newer
// edit the full one of the same copy. After a rest, full at once.
TEST_F(RenderSchedulerTest, QuickEditsOfAHeavyCompositionShowACoarsePictureThenTheFullOne)
{
    // Every reading 15 ms after the one before: each render looks heavy,
    // and edits made one after the other come in quick succession.
    static std::atomic<long> fakeReadings{0};
    RenderScheduler scheduler;
    scheduler.clock = [] { return 0.015 * static_cast<double>(fakeReadings.fetch_add(1)); };
    std::unique_ptr<Renderable> layer = noiseChain(5);
    Picture shown;
    scheduler.markStale();
    settle(scheduler, layer.get(), shown);   // measures a full render
    EXPECT_EQ(RenderSchedulerProbe::counts(scheduler).coarse, 0u) << "a single edit";
    layer->pan(3, 1);
    scheduler.markStale();
    scheduler.markStale();
    settle(scheduler, layer.get(), shown);
    EXPECT_EQ(RenderSchedulerProbe::counts(scheduler).coarse, 1u);
    EXPECT_EQ(RenderSchedulerProbe::counts(scheduler).finished, 2u);
    EXPECT_EQ(shown.step, 1);
    EXPECT_EQ(shown.pixels, referencePixels(*layer));
    fakeReadings += 100;   // the input rests
    layer->pan(-2, 0);
    scheduler.markStale();
    settle(scheduler, layer.get(), shown);
    EXPECT_EQ(RenderSchedulerProbe::counts(scheduler).coarse, 1u);
    EXPECT_EQ(shown.pixels, referencePixels(*layer));
}

// What the drawing area does with the pictures: one texture, made on the
// first picture and filled with each one; nothing drawn without a picture.
class RecordingBackend : public TextureBackend {
public:
    unsigned createTexture() override { return ++created; }
    void uploadTexture(unsigned texture, int width, int height, const std::uint8_t* pixels) override
    {
        uploads.push_back({texture, width, height, std::vector<std::uint8_t>(pixels, pixels + width * height)});
    }
    void drawTexture(unsigned texture, float) override { drawn.push_back(texture); }
    void drawTextureTiles(unsigned texture, float, float, float, int repeats) override
    {
        drawn.push_back(texture * 1000 + static_cast<unsigned>(repeats));
    }
    void deleteTexture(unsigned texture) override { deleted.push_back(texture); }

    struct Upload {
        unsigned texture;
        int width, height;
        std::vector<std::uint8_t> pixels;
    };
    unsigned created = 0;
    std::vector<Upload> uploads;
    std::vector<unsigned> drawn;
    std::vector<unsigned> deleted;
};

TEST(LayerPictureTest, FinishedPicturesGoToOneTextureThatTheDrawingAreaShows)
{
    RecordingBackend backend;
    {
        LayerControls controls;
        controls.textureBackend = &backend;
        controls.renderer.clock = [] { return 0.0; };   // renders take no time: full pictures only
        controls.setViewportSize(20, 10);
        controls.drawCurrentLayer();
        EXPECT_TRUE(backend.drawn.empty()) << "drew before any picture";

        controls.setBaseLayer(createLayer(2));
        for (int i = 0; i < 100000 && !controls.updatePicture(); ++i)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        ASSERT_EQ(backend.uploads.size(), 1u);
        EXPECT_EQ(backend.uploads[0].width, 20);
        EXPECT_EQ(backend.uploads[0].pixels, referencePixels(*controls.currentLayer));
        controls.drawCurrentLayer();
        EXPECT_EQ(backend.drawn, std::vector<unsigned>{1u});

        controls.currentLayer->inverse = true;
        controls.redrawRequested = true;
        for (int i = 0; i < 100000 && !controls.updatePicture(); ++i)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        ASSERT_EQ(backend.uploads.size(), 2u);
        EXPECT_EQ(backend.uploads[1].texture, 1u);
        EXPECT_EQ(backend.created, 1u);
        EXPECT_EQ(backend.uploads[1].pixels, referencePixels(*controls.currentLayer));

        // The tile preview: the same views at half the size, drawn as tiles.
        controls.onTilePreview();
        for (int i = 0; i < 100000 && !controls.updatePicture(); ++i)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        std::unique_ptr<Renderable> half = cloneLayerTree(*controls.currentLayer);
        viewresize::resizeKeepingView(*half, 10, 5);
        EXPECT_EQ(backend.uploads.at(2).pixels, referencePixels(*half));
        backend.drawn.clear();
        controls.drawCurrentLayer();
        EXPECT_EQ(backend.drawn, std::vector<unsigned>{1002u});

        controls.clearLayers();
        controls.showBaseLayer();
        EXPECT_TRUE(controls.updatePicture());
        backend.drawn.clear();
        controls.drawCurrentLayer();
        EXPECT_TRUE(backend.drawn.empty()) << "a picture stayed without a layer";
    }
    EXPECT_EQ(backend.deleted, std::vector<unsigned>{1u});
}

} // namespace
