// The web page in headless Chromium (WebGL 2 on SwiftShader): drawn at a
// size and after a pan given in its address, its canvas (a screenshot of
// the window) holds the bytes the renderer gives for the composition
// panned by the viewer's own pan. Example scenes and random compositions,
// flat and seamless.
#include "imageoutput/imagerender.h"
#include "layers/composition.h"
#include "layers/layertypetable.h"
#include "layers/treewalk.h"
#include "layers/viewresize.h"
#include "persistence/scenefile.h"
#include "shaders/webpage.h"
#include "../unit/randomcomposition.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Case {
    std::string name;
    Composition composition;
    int width, height, dx, dy;
};

// The browser's window is larger than the canvas, whose place is its top
// left corner: a small window leaves the page less room than its size.
int windowWidth(const Case& c)
{
    return c.width + 200;
}
int windowHeight(const Case& c)
{
    return c.height + 200;
}

// The canvas in the screenshot, its red channel, top row first; empty when
// unreadable or not grey.
std::vector<std::uint8_t> screenshotGreys(const std::string& path, const Case& c)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) ||
        static_cast<int>(image.width) != windowWidth(c) || static_cast<int>(image.height) != windowHeight(c))
        return {};
    std::vector<std::uint8_t> grey;
    for (int r = 0; r < c.height; ++r)
        for (int k = 0; k < c.width; ++k) {
            const std::uint8_t* p = &rgb[3 * (static_cast<std::size_t>(r) * image.width + k)];
            if (p[0] != p[1] || p[0] != p[2]) return {};
            grey.push_back(p[0]);
        }
    return grey;
}

// Chromium's screenshot of page at its size after its pan; false when it
// could not be run. A profile of its own lets several run at once.
bool screenshot(const Case& c, const std::string& page, const std::string& shot, const std::string& profile)
{
    const std::string url = "file://" + page + "#size=" + std::to_string(c.width) + "," + std::to_string(c.height) +
                            "&pan=" + std::to_string(c.dx) + "," + std::to_string(c.dy);
    const std::string command = "chromium --headless=new --no-sandbox --use-angle=swiftshader "
                                "--enable-unsafe-swiftshader --force-device-scale-factor=1 --force-color-profile=srgb "
                                "--hide-scrollbars --user-data-dir='" + profile + "' --window-size=" +
                                std::to_string(windowWidth(c)) + "," + std::to_string(windowHeight(c)) +
                                " --screenshot='" + shot +
                                "' '" + url + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The renderer's bytes of the composition at the case's size, after the
// viewer's pan of its whole tree.
std::vector<std::uint8_t> expectedGreys(const Case& c)
{
    Composition panned(c.composition);
    panned.tree->pan(c.dx, c.dy);
    std::vector<std::uint8_t> grey(static_cast<std::size_t>(c.width) * c.height);
    if (imagewriter::renderToMemory(*panned.tree, imagewriter::Samples::grey8, grey.data(), c.width) != "") return {};
    return grey;
}

Composition sized(Composition composition, int width, int height)
{
    viewresize::resizeKeepingView(*composition.tree, width, height);
    return composition;
}

Case exampleCase(const std::string& file, int width, int height, int dx, int dy)
{
    scenefile::ReadResult read = scenefile::read(std::string(PATTERNLENS_SOURCE_DIR) + "/examples/" + file);
    return {file, sized(read.composition(), width, height), width, height, dx, dy};
}

Case randomCase(unsigned seed, bool seamless, int width, int height)
{
    RandomComposition random(seed);
    std::unique_ptr<Renderable> tree(random.make(2));
    treewalk::forEach(tree.get(), [&random](Renderable& layer, int) {
        layer.seed = random.pick(0, 1) ? static_cast<std::uint32_t>(random.rng()) : 0u;
    });
    SceneSettings settings;
    settings.seamless = seamless;
    const int dx = random.pick(-40, 40), dy = random.pick(-40, 40);
    return {"random " + std::to_string(seed) + (seamless ? " seamless" : ""),
            sized(Composition(std::move(tree), settings), width, height), width, height, dx, dy};
}

TEST(PageInChromium, CanvasHoldsTheRenderersBytesAfterTheSamePan)
{
    char folderName[] = "/tmp/patternlens-pages-XXXXXX";
    ASSERT_NE(mkdtemp(folderName), nullptr);
    const std::string folder = folderName;
    std::vector<Case> cases;
    cases.push_back(exampleCase("marble.xml", 200, 150, 17, -9));
    cases.push_back(exampleCase("cobblestones.xml", 160, 160, -23, 31));
    cases.push_back(exampleCase("bubbles.xml", 180, 120, 5, 12));   // seamless
    for (unsigned seed = 0; seed < 3; ++seed) cases.push_back(randomCase(70 + seed, seed % 2 == 1, 160, 120));

    // Four browsers at a time: each mostly waits.
    std::vector<std::future<bool>> runs;
    for (std::size_t k = 0; k < cases.size(); ++k) {
        const std::string page = folder + "/page" + std::to_string(k) + ".html";
        std::ofstream(page) << webpage::write(*cases[k].composition.tree, cases[k].name);
        if (runs.size() >= 4) runs[runs.size() - 4].wait();
        runs.push_back(std::async(std::launch::async, screenshot, std::cref(cases[k]), page,
                                  folder + "/shot" + std::to_string(k) + ".png", folder + "/profile" + std::to_string(k)));
    }
    long long flatPixels = 0, flatSame = 0, seamlessPixels = 0, seamlessSame = 0;
    for (std::size_t k = 0; k < cases.size(); ++k) {
        const Case& c = cases[k];
        ASSERT_TRUE(runs[k].get()) << "chromium did not run (scripts/install-deps.sh installs it)";
        const std::vector<std::uint8_t> got = screenshotGreys(folder + "/shot" + std::to_string(k) + ".png", c);
        const std::vector<std::uint8_t> expected = expectedGreys(c);
        ASSERT_EQ(got.size(), expected.size()) << c.name << ": the screenshot is not the grey canvas";
        long long same = 0;
        for (std::size_t p = 0; p < got.size(); ++p) same += got[p] == expected[p];
        const bool seamless = c.composition.settings.seamless;
        (seamless ? seamlessPixels : flatPixels) += static_cast<long long>(got.size());
        (seamless ? seamlessSame : flatSame) += same;
        std::printf("%-24s %4dx%-4d pan %3d,%3d: %.4f%% of bytes equal\n", c.name.c_str(), c.width, c.height, c.dx,
                    c.dy, 100.0 * same / static_cast<double>(got.size()));
    }
    std::printf("flat: %.4f%%, seamless: %.4f%% of bytes equal\n", 100.0 * flatSame / flatPixels,
                100.0 * seamlessSame / seamlessPixels);
    EXPECT_GE(static_cast<double>(flatSame) / flatPixels, 0.999);
    EXPECT_GE(static_cast<double>(seamlessSame) / seamlessPixels, 0.99);
    EXPECT_EQ(std::system(("rm -rf '" + folder + "'").c_str()), 0);
}

} // namespace
