// Seeds: the permutation each seed picks, its shared tables within the
// cache's bound, and the seed attribute of scene files.
#include "app/layercontrols.h"
#include "generators/seedtables.h"
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

// A chain of count layers, Noise and Fractal by turns, each driving the
// first variable of the one above, with seeds first, first + 1, ...
std::unique_ptr<Renderable> noiseChain(int count, std::uint32_t first)
{
    std::unique_ptr<Renderable> top(createLayer(0));
    Renderable* layer = top.get();
    for (int k = 1; k <= count; ++k, layer = layer->variables[0].getInputLayer()) {
        layer->seed = first ? first + static_cast<std::uint32_t>(k) : 0;
        if (k < count) layer->attachInput(0, createLayer(k % 2 ? 3 : 0));
    }
    return top;
}

TEST(Seeds, EachSeedPicksAPermutationDefinedToTheBit)
{
    const std::vector<std::pair<std::uint32_t, std::vector<int>>> prefixes = {
        {0, {151, 160, 137, 91, 90, 15, 131, 13}},
        {1, {92, 220, 68, 237, 109, 183, 108, 255}},
        {4294967295u, {136, 151, 163, 249, 107, 77, 45, 83}}};
    std::uint8_t p[256];
    for (const auto& [seed, prefix] : prefixes) {
        seedtables::permutation(seed, p);
        EXPECT_EQ(std::vector<int>(p, p + 8), prefix) << seed;
    }
    std::mt19937 random(3);
    for (int round = 0; round < 300; ++round) {
        const std::uint32_t seed = static_cast<std::uint32_t>(random());
        seedtables::permutation(seed, p);
        const auto tables = seedtables::acquire(seed);
        std::vector<int> sorted(p, p + 256);
        std::sort(sorted.begin(), sorted.end());
        for (int k = 0; k < 512; ++k) ASSERT_EQ(tables->permutation[k], p[k % 256]) << "seed " << seed;
        for (int k = 0; k < 256; ++k) ASSERT_EQ(sorted[k], k) << "seed " << seed;
    }
}

// The layers of a seed share one set, which goes with the last that holds
// it; 1,000 seeds stay within the bound, those beyond it render from their
// permutation alone, and the pixels are the per-pixel definition's.
TEST(Seeds, TablesAreSharedAndTheCacheStaysWithinItsBound)
{
    LayerControls controls;
    controls.setViewportSize(6, 4);
    const std::size_t before = seedtables::bytesHeld();
    {
        const std::unique_ptr<Renderable> ten = noiseChain(10, 1000);
        for (const Renderable* l = ten.get(); l; l = l->variables[0].getInputLayer())
            EXPECT_TRUE(l->noiseTables().derived());
        EXPECT_EQ(&ten->noiseTables(), seedtables::acquire(1001).get());
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
}

// Seeds are written last and only when not 0 and read back exactly; a seed
// that is not digits alone up to 4294967295 (after XML decoding) reads as
// 0, and the load tells the first with its line.
TEST(Seeds, SceneFilesKeepSeedsAndTellTheUnreadableOnes)
{
    LayerControls controls;
    controls.setViewportSize(8, 8);
    std::unique_ptr<Renderable> tree = noiseChain(3, 0);
    Renderable* base = tree.get();
    const std::string plain = scenefile::text(&base, 1);
    EXPECT_EQ(plain.find("seed"), std::string::npos);
    tree->seed = 4294967295u;
    tree->variables[0].getInputLayer()->seed = 7;
    const std::string seeded = scenefile::text(&base, 1);
    EXPECT_NE(seeded.find("inverse=\"0\" seed=\"4294967295\">"), std::string::npos) << seeded;
    for (const std::string& text : {plain, seeded}) {
        scenefile::ReadResult r = scenefile::parse(text);
        Renderable* read = r.baseLayer.get();
        EXPECT_EQ(r.warning, "");
        EXPECT_EQ(scenefile::text(&read, 1), text);
    }

    const auto load = [](const std::string& outer, const std::string& inner) {
        return scenefile::parse("<?xml version=\"1.0\" ?>\n<Patternlens>\n<Layers>\n<Layer TypeID=\"0\" seed=\"" +
                                outer + "\">\n<Variables>\n<Variable>\n\n<Layer TypeID=\"4\" seed=\"" + inner +
                                "\" />\n</Variable>\n</Variables>\n</Layer>\n</Layers>\n</Patternlens>\n");
    };
    const std::string message = ": seed must be a whole number from 0 to 4294967295";
    for (const char* bad : {"-1", "4294967296", "1.5", "0x10", "+5", " 7", "", "99999999999999999999"}) {
        const scenefile::ReadResult r = load("3", bad);
        ASSERT_TRUE(r.baseLayer) << bad;
        EXPECT_EQ(r.warning, "line 8" + message) << bad;
        EXPECT_EQ(r.baseLayer->seed, 3u);
        EXPECT_EQ(r.baseLayer->variables[0].getInputLayer()->seed, 0u) << bad;
        EXPECT_EQ(load(bad, bad).warning, "line 4" + message) << "only the first is told: " << bad;
    }
    const scenefile::ReadResult good = load("&#52;2", "0004294967295");
    EXPECT_EQ(good.warning, "");
    EXPECT_EQ(good.baseLayer->seed, 42u);
    EXPECT_EQ(good.baseLayer->variables[0].getInputLayer()->seed, 4294967295u);
}

} // namespace
