// Seeds: the permutation each seed picks, its shared tables within the
// cache's bound, the seed attribute of scene files and adding to every seed.
#include "app/layercontrols.h"
#include "generators/noisetables.h"
#include "generators/seedtables.h"
#include "layers/composition.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "persistence/scenefile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<int> prefix(std::uint32_t seed)
{
    std::uint8_t p[256];
    seedtables::permutation(seed, p);
    return std::vector<int>(p, p + 8);
}

// A chain of count Noise layers, each driving the Cutoff of the one above,
// with seeds first, first + 1, ...
std::unique_ptr<Renderable> noiseChain(int count, std::uint32_t first)
{
    std::unique_ptr<Renderable> top(createLayer(0));
    Renderable* layer = top.get();
    layer->seed = first;
    for (int k = 1; k < count; ++k) {
        Renderable* input = createLayer(k % 2 ? 3 : 0);
        input->seed = first ? first + static_cast<std::uint32_t>(k) : 0;
        layer->attachInput(0, input);
        layer = input;
    }
    return top;
}

} // namespace

TEST(Seeds, EachSeedPicksAPermutationDefinedToTheBit)
{
    EXPECT_EQ(prefix(1), (std::vector<int>{92, 220, 68, 237, 109, 183, 108, 255}));
    EXPECT_EQ(prefix(4294967295u), (std::vector<int>{136, 151, 163, 249, 107, 77, 45, 83}));
    EXPECT_EQ(prefix(0), (std::vector<int>{151, 160, 137, 91, 90, 15, 131, 13}));
    std::mt19937 random(3);
    for (int round = 0; round < 300; ++round) {
        const std::uint32_t seed = round < 2 ? std::uint32_t(round) - 1u : std::uint32_t(random());
        std::uint8_t p[256];
        seedtables::permutation(seed, p);
        std::vector<int> sorted(p, p + 256);
        std::sort(sorted.begin(), sorted.end());
        for (int k = 0; k < 256; ++k) ASSERT_EQ(sorted[k], k) << "seed " << seed;
        const auto tables = seedtables::acquire(seed);
        for (int k = 0; k < 512; ++k) ASSERT_EQ(tables->permutation[k], p[k % 256]) << "seed " << seed;
    }
}

// Every layer, render and copy of one seed shares one set, which goes with
// the last layer that holds it; many seeds stay within the bound, the seeds
// beyond it on their permutation alone, and render the same pixels.
TEST(Seeds, TablesAreSharedAndTheCacheStaysWithinItsBound)
{
    LayerControls controls;
    controls.setViewportSize(6, 4);
    const std::size_t before = seedtables::bytesHeld();
    {
        const std::unique_ptr<Renderable> ten = noiseChain(10, 1000);
        std::vector<const Renderable*> layers{ten.get()};
        while (const Renderable* input = layers.back()->variables[0].getInputLayer()) layers.push_back(input);
        for (const Renderable* layer : layers) EXPECT_TRUE(layer->noiseTables().derived());
        EXPECT_EQ(&ten->noiseTables(), seedtables::acquire(1000).get());
        EXPECT_EQ(seedtables::bytesHeld(), before + 10 * seedtables::derivedBytes());
    }
    EXPECT_EQ(seedtables::bytesHeld(), before);

    const std::unique_ptr<Renderable> thousand = noiseChain(1000, 5000);
    thousand->fillPixelsReference();
    const std::vector<std::uint8_t> reference = thousand->pixels;
    EXPECT_LE(seedtables::bytesHeld(), seedtables::cacheBound);
    EXPECT_GT(seedtables::bytesHeld() + seedtables::derivedBytes(), seedtables::cacheBound);
    thousand->fillPixels();
    EXPECT_EQ(thousand->pixels, reference);
    const std::unique_ptr<Renderable> unseeded = noiseChain(1000, 0);
    unseeded->fillPixels();
    EXPECT_NE(unseeded->pixels, reference);
}

TEST(Seeds, AddingToEverySeedWrapsAtTwoToTheThirtyTwo)
{
    LayerControls controls;
    controls.setViewportSize(4, 4);
    Composition composition(noiseChain(3, 4294967294u), SceneSettings());
    composition.addToSeeds(3);
    const Renderable* layer = composition.tree.get();
    for (std::uint32_t expected : {1u, 2u, 3u}) {
        EXPECT_EQ(layer->seed, expected);
        layer = layer->variables[0].getInputLayer();
    }
    composition.addToSeeds(0);
    EXPECT_EQ(composition.tree->seed, 1u);
}

class SeedFiles : public ::testing::Test {
protected:
    void SetUp() override { controls.setViewportSize(8, 8); }
    LayerControls controls;
};

// Seeds are written last and only when not 0, read back exactly, and a
// scene without them keeps its bytes.
TEST_F(SeedFiles, SeedsRoundTripAndScenesWithoutThemKeepTheirBytes)
{
    std::unique_ptr<Renderable> tree = noiseChain(4, 0);
    Renderable* base = tree.get();
    const std::string plain = scenefile::text(&base, 1);
    EXPECT_EQ(plain.find("seed"), std::string::npos);
    Renderable* read = scenefile::parse(plain).baseLayer.release();
    EXPECT_EQ(scenefile::text(&read, 1), plain);
    delete read;
    tree->seed = 4294967295u;
    tree->variables[0].getInputLayer()->seed = 7;
    const std::string seeded = scenefile::text(&base, 1);
    EXPECT_NE(seeded.find("inverse=\"0\" seed=\"4294967295\">"), std::string::npos) << seeded;
    scenefile::ReadResult r = scenefile::parse(seeded);
    ASSERT_TRUE(r.baseLayer);
    EXPECT_EQ(r.warning, "");
    EXPECT_EQ(r.baseLayer->seed, 4294967295u);
    EXPECT_EQ(r.baseLayer->variables[0].getInputLayer()->seed, 7u);
    Renderable* again = r.baseLayer.get();
    EXPECT_EQ(scenefile::text(&again, 1), seeded);
    EXPECT_EQ(scenefile::parse(plain).warning, "");
}

// Digits alone up to 4294967295 (leading zeros allowed) after XML decoding;
// anything else reads as 0 and the load tells the first with its line.
TEST_F(SeedFiles, UnreadableSeedsReadAsZeroAndTheLoadSaysWhere)
{
    const auto load = [](const std::string& outer, const std::string& inner) {
        return scenefile::parse("<?xml version=\"1.0\" ?>\n<Patternlens>\n<Layers>\n<Layer TypeID=\"0\" seed=\"" +
                                outer + "\">\n<Variables>\n<Variable>\n\n<Layer TypeID=\"4\" seed=\"" + inner +
                                "\" />\n</Variable>\n</Variables>\n</Layer>\n</Layers>\n</Patternlens>\n");
    };
    const std::string message = ": seed must be a whole number from 0 to 4294967295";
    for (const char* bad : {"-1", "4294967296", "1.5", "0x10", "+5", " 7", "", "99999999999999999999"}) {
        scenefile::ReadResult r = load("3", bad);
        ASSERT_TRUE(r.baseLayer) << bad;
        EXPECT_EQ(r.warning, "line 8" + message) << bad;
        EXPECT_EQ(r.baseLayer->seed, 3u);
        EXPECT_EQ(r.baseLayer->variables[0].getInputLayer()->seed, 0u) << bad;
        EXPECT_EQ(load(bad, bad).warning, "line 4" + message) << "only the first is told: " << bad;
    }
    scenefile::ReadResult good = load("&#52;2", "0004294967295");
    EXPECT_EQ(good.warning, "");
    EXPECT_EQ(good.baseLayer->seed, 42u);
    EXPECT_EQ(good.baseLayer->variables[0].getInputLayer()->seed, 4294967295u);
}
