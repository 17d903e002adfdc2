// What the renderer and the Python module share: the render request, renders
// into memory (against the file writer's bytes), the scene text with exact
// numbers, and the deep-stack thread.
#include "imageoutput/renderrequest.h"

#include "layers/renderable.h"
#include "layers/saturate.h"
#include "layers/workerpool.h"
#include "persistence/numbertext.h"
#include "persistence/scenefile.h"
#include "tests/support/floatbits.h"
#include "tests/unit/randomcomposition.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace {

Composition randomComposition(unsigned seed)
{
    RandomComposition random(seed);
    SceneSettings settings;
    settings.seamless = seed % 2 == 1;
    return Composition(std::unique_ptr<Renderable>(random.make(3)), settings);
}

TEST(ExactSceneText, EveryFloatAndEveryCompositionReadsBackBitForBit)
{
    std::mt19937 rng(28);
    for (int k = 0; k < 20000; ++k) {
        const float f = floatbits::floatOf(static_cast<std::uint32_t>(rng()));
        if (!std::isfinite(f)) continue;
        double back = 0;
        ASSERT_TRUE(numbertext::parseDouble(numbertext::formatExact(f).c_str(), &back));
        ASSERT_EQ(floatbits::bitsOf(static_cast<float>(back)), floatbits::bitsOf(f)) << numbertext::formatExact(f);
    }
    EXPECT_EQ(numbertext::formatExact(0.5f), "0.5");
    for (unsigned seed = 1; seed <= 40; ++seed) {
        const Composition original = randomComposition(seed);
        Renderable* base = original.tree.get();
        scenefile::ReadResult read = scenefile::parse(scenefile::text(&base, 1, original.settings, layerxml::Numbers::exact));
        ASSERT_TRUE(read.baseLayer) << read.error;
        EXPECT_TRUE(sameComposition(original.ref(), Composition(std::move(read.baseLayer), read.settings).ref()))
            << "seed " << seed;
    }
}

TEST(RenderRequest, RendersIntoMemoryTheFileWritersSamples)
{
    for (unsigned seed = 1; seed <= 12; ++seed) {
        Composition composition = randomComposition(seed);
        renderrequest::Request request;
        request.width = 53;
        request.height = 37;
        request.region = {int(seed % 5), int(seed % 3), 40, 30};
        request.seamless = seed % 3 == 0 ? renderrequest::Override::off : renderrequest::Override::keep;
        const renderrequest::Prepared prepared = renderrequest::prepare(composition, request);
        ASSERT_TRUE(prepared.layer) << prepared.error;
        std::vector<float> values(40 * 30);
        std::vector<std::uint16_t> deep(40 * 30);
        ASSERT_EQ(imagewriter::renderToMemory(*prepared.layer, imagewriter::Samples::float32, values.data(), 40 * 4,
                                              request.region), "");
        ASSERT_EQ(imagewriter::renderToMemory(*prepared.layer, imagewriter::Samples::uint16, deep.data(), 40 * 2,
                                              request.region), "");
        for (int depth : {8, 16}) {
            char* buffer = nullptr;
            std::size_t size = 0;
            std::FILE* file = open_memstream(&buffer, &size);
            imagewriter::RenderOptions options;
            options.depth = depth;
            options.region = request.region;
            ASSERT_EQ(imagewriter::renderToStream(*prepared.layer, imagewriter::Format::Pgm, file, options), "");
            std::fclose(file);
            const std::string pgm(buffer, size);
            std::free(buffer);
            const std::size_t start = pgm.size() - values.size() * (depth / 8);
            for (std::size_t i = 0; i < values.size(); ++i) {
                const unsigned sample = depth == 8 ? std::uint8_t(pgm[start + i])
                                                   : std::uint8_t(pgm[start + 2 * i]) << 8 | std::uint8_t(pgm[start + 2 * i + 1]);
                ASSERT_EQ(sample, depth == 8 ? unsigned(greyByte(values[i])) : unsigned(imagewriter::sample16(values[i])));
                if (depth == 16) {
                    ASSERT_EQ(sample, deep[i]);
                }
            }
        }
    }
}

TEST(RenderRequest, RefusesBadSizesRegionsAndPathsSayingWhich)
{
    Composition composition = randomComposition(2);
    renderrequest::Request request;
    request.height = 10;
    for (long long width : {0LL, -1LL, 2147483648LL}) {
        request.width = width;
        EXPECT_EQ(renderrequest::prepare(composition, request).fault, renderrequest::Fault::size);
    }
    request.width = 10;
    request.region = {5, 5, 6, 1};
    EXPECT_EQ(renderrequest::prepare(composition, request).fault, renderrequest::Fault::region);
    EXPECT_EQ(composition.tree->textureWidth, 0) << "nothing changed";
    request.region = {};
    request.layerPath = "Nothing";
    const renderrequest::Prepared prepared = renderrequest::prepare(composition, request);
    EXPECT_EQ(prepared.fault, renderrequest::Fault::layer);
    EXPECT_NE(prepared.error.find("names with an input layer there"), std::string::npos) << prepared.error;
}

TEST(WorkerPoolTest, RunOnDeepStackRunsOnAnotherThreadAndPassesExceptionsOn)
{
    std::thread::id ran;
    ASSERT_TRUE(WorkerPool::runOnDeepStack([&] { ran = std::this_thread::get_id(); }));
    EXPECT_NE(ran, std::this_thread::get_id());
    EXPECT_THROW(WorkerPool::runOnDeepStack([] { throw std::runtime_error("late"); }), std::runtime_error);
    // The waiting thread is called back while the work lasts, and can stop it.
    std::atomic<bool> stop{false};
    int calls = 0;
    ASSERT_TRUE(WorkerPool::runOnDeepStack([&] { while (!stop) std::this_thread::yield(); }, [&] { stop = ++calls == 2; }));
    EXPECT_EQ(calls, 2);
}

} // namespace
