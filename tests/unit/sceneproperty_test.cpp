// Properties of whole compositions: what is written reads back to the same
// bytes, and rendering is deterministic.
#include "app/layercontrols.h"
#include "layers/renderable.h"
#include "randomcomposition.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class ScenePropertyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/patternlens-property-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        folder = dir;
        controls.setViewportSize(23, 17);
    }
    void TearDown() override
    {
        std::remove((folder + "/a.xml").c_str());
        std::remove((folder + "/b.xml").c_str());
        rmdir(folder.c_str());
    }
    std::string folder;
    LayerControls controls;
};

TEST_F(ScenePropertyTest, RandomCompositionsSurviveWriteReadWriteByteForByte)
{
    const std::string a = folder + "/a.xml", b = folder + "/b.xml";
    for (unsigned seed = 1; seed <= 60; ++seed) {
        RandomComposition random(seed);
        controls.setBaseLayer(random.make(4));
        std::string error;
        ASSERT_TRUE(controls.writeSceneFile(a, &error)) << error;
        ASSERT_TRUE(controls.readSceneFile(a, &error)) << "seed " << seed << ": " << error;
        ASSERT_TRUE(controls.writeSceneFile(b, &error)) << error;
        ASSERT_EQ(slurp(a), slurp(b)) << "seed " << seed;
    }
}

TEST_F(ScenePropertyTest, RenderingIsDeterministicAndSurvivesARoundTrip)
{
    const std::string a = folder + "/a.xml";
    for (unsigned seed = 100; seed < 130; ++seed) {
        RandomComposition random(seed);
        controls.setBaseLayer(random.make(3));
        Renderable* base = controls.currentLayer;
        base->fillPixels();
        const std::vector<std::uint8_t> first = base->pixels;
        base->fillPixels();
        ASSERT_EQ(first, base->pixels) << "seed " << seed;

        // The file holds six decimals; a view or value that needs more renders
        // differently after a reload, so compare with a composition that has
        // already been through the file once.
        ASSERT_TRUE(controls.writeSceneFile(a));
        ASSERT_TRUE(controls.readSceneFile(a));
        controls.currentLayer->fillPixels();
        const std::vector<std::uint8_t> reloaded = controls.currentLayer->pixels;
        ASSERT_TRUE(controls.writeSceneFile(a));
        ASSERT_TRUE(controls.readSceneFile(a));
        controls.currentLayer->fillPixels();
        ASSERT_EQ(reloaded, controls.currentLayer->pixels) << "seed " << seed;
    }
}

} // namespace
