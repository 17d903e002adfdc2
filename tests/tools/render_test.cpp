// patternlens-render as a user runs it: a scene file and an output path on
// the command line, an image or a one-line error out.
#include "app/layercontrols.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"

#include "tests/support/testfiles.h"
#include "tests/support/testpng.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

namespace {

using testfiles::exists;
using testfiles::readFile;
using testfiles::writeFile;

struct ToolRun {
    int status = -1;
    std::string out, err;
};

class RenderToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/render_test.XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        directory = pattern;
    }
    void TearDown() override { ASSERT_EQ(std::system(("rm -rf '" + directory + "'").c_str()), 0); }

    std::string path(const std::string& name) const { return directory + "/" + name; }

    ToolRun run(const std::string& arguments) const
    {
        const std::string command = std::string("'") + RENDER_TOOL + "' " + arguments + " >'" + path("stdout") +
                                    "' 2>'" + path("stderr") + "' </dev/null";
        ToolRun r;
        const int status = std::system(command.c_str());
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = readFile(path("stdout"));
        r.err = readFile(path("stderr"));
        std::remove(path("stdout").c_str());
        std::remove(path("stderr").c_str());
        return r;
    }

    // Writes a scene with one base layer, made as the viewer makes it.
    template <class Build>
    void writeScene(const std::string& name, int width, int height, Build build)
    {
        LayerControls controls;
        controls.setViewportSize(width, height);
        Renderable* layer = build();
        controls.setBaseLayer(layer);
        ASSERT_TRUE(controls.writeSceneFile(path(name)));
    }

    std::vector<std::string> leftovers() const
    {
        std::vector<std::string> names;
        if (DIR* d = opendir(directory.c_str())) {
            while (dirent* e = readdir(d)) {
                const std::string name = e->d_name;
                if (name != "." && name != "..") names.push_back(name);
            }
            closedir(d);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string directory;
};

// A Squares layer (5 x 5 cells, squares of side Width in each cell's corner
// of least x and y) on a 10 x 10 texture whose view is centred on (2.5, 2.5)
// with extent 5: column i shows layer x = 0.5 i, and texture row j shows
// layer y = -0.5 j (row 0 shows the view's least y, and the rows above it
// ever smaller y). With Width 2.5 a point is inside where its position in the
// cell lies strictly between 0 and 2.5: columns 1 to 4 (x 0.5 to 2.0), and
// texture rows 6 to 9 (y -3.0 to -4.5 sit at 2.0 to 0.5 in their cell; row 5,
// at -2.5, sits on the square's edge). So the square fills the texture's top
// rows, and the image, which shows the texture's last row first, its first.
Renderable* cornerSquare()
{
    Renderable* squares = createLayer(1);
    squares->setView(2.5f, 2.5f, 5, 5);
    squares->setVariable(0, 2.5f);
    return squares;
}

std::vector<std::uint8_t> cornerSquareImage()
{
    std::vector<std::uint8_t> rows(100, 0);
    for (int top = 0; top <= 3; ++top)       // texture rows 9 to 6
        for (int col = 1; col <= 4; ++col) rows[static_cast<std::size_t>(top) * 10 + col] = 255;
    return rows;
}

TEST_F(RenderToolTest, RendersAHandCheckedPictureTopRowFirst)
{
    writeScene("square.xml", 10, 10, cornerSquare);
    const ToolRun r = run("--size 10x10 '" + path("square.xml") + "' '" + path("square.png") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");   // no progress lines when stderr is not a terminal
    const testpng::Image png = testpng::decode(path("square.png"));
    EXPECT_TRUE(png.grey8);
    EXPECT_EQ(png.width, 10);
    EXPECT_EQ(png.height, 10);
    EXPECT_EQ(png.rows, cornerSquareImage());

    ASSERT_EQ(run("--size=10x10 '" + path("square.xml") + "' '" + path("square.pgm") + "'").status, 0);
    const std::vector<std::uint8_t> expected = cornerSquareImage();
    EXPECT_EQ(readFile(path("square.pgm")),
              "P5\n10 10\n255\n" + std::string(expected.begin(), expected.end()));
}

TEST_F(RenderToolTest, ShowsWhatTheViewerRendersForATreeOfLayers)
{
    // Circles driven by an inverted Noise layer, at a size unlike the
    // scene's: every layer is made at the requested size when read.
    writeScene("tree.xml", 10, 10, [] {
        Renderable* circles = createLayer(2);
        circles->setView(3.25f, -1.5f, 10, 10);
        Renderable* noise = createLayer(0);
        noise->inverse = true;
        circles->attachInput(1, noise);
        return circles;
    });
    const int w = 64, h = 48;
    ASSERT_EQ(run("--size " + std::to_string(w) + "x" + std::to_string(h) + " '" + path("tree.xml") + "' '" +
                  path("tree.png") + "'")
                  .status,
              0);

    LayerControls controls;
    controls.setViewportSize(w, h);
    ASSERT_TRUE(controls.readSceneFile(path("tree.xml")));
    controls.renderCurrentLayer();
    const std::uint8_t* texture = controls.currentLayer->pixelData();
    const testpng::Image png = testpng::decode(path("tree.png"));
    ASSERT_EQ(png.width, w);
    ASSERT_EQ(png.height, h);
    for (int top = 0; top < h; ++top)
        for (int col = 0; col < w; ++col)
            ASSERT_EQ(png.rows[static_cast<std::size_t>(top) * w + col],
                      texture[static_cast<std::size_t>(h - 1 - top) * w + col])
                << "column " << col << ", image row " << top;
}

TEST_F(RenderToolTest, TheDefaultSizeIsTheViewersDrawingArea)
{
    writeScene("square.xml", 10, 10, cornerSquare);
    ASSERT_EQ(run("'" + path("square.xml") + "' '" + path("out.png") + "'").status, 0);
    const testpng::Image png = testpng::decode(path("out.png"));
    EXPECT_EQ(png.width, 400);
    EXPECT_EQ(png.height, 470);
}

TEST_F(RenderToolTest, HelpAndUsageErrors)
{
    const ToolRun help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: patternlens-render [--size WIDTHxHEIGHT] SCENE.xml OUTPUT.png\n", 0), 0u)
        << help.out;

    writeScene("square.xml", 10, 10, cornerSquare);
    const std::string files = " '" + path("square.xml") + "' '" + path("out.png") + "'";
    for (const std::string& args :
         {std::string("--frobnicate") + files, std::string("-x") + files, std::string("--size 0x10") + files,
          std::string("--size 10x") + files, std::string("--size x10") + files, std::string("--size abc") + files,
          std::string("--size 16385x10") + files, std::string("--size 10x99999999999") + files,
          std::string("--size -5x5") + files, std::string("--size 10x10x10") + files, std::string("--size") ,
          std::string("'") + path("square.xml") + "'", std::string(""), std::string("a b c")}) {
        const ToolRun r = run(args);
        EXPECT_NE(r.status, 0) << args;
        EXPECT_EQ(r.err.rfind("patternlens-render: ", 0), 0u) << args << ": " << r.err;
        EXPECT_FALSE(exists(path("out.png"))) << args;
    }
    // The largest size is accepted (checked on a thin image).
    EXPECT_EQ(run("--size 16384x1" + files).status, 0);
}

TEST_F(RenderToolTest, SceneErrorsNameTheFileAndLeaveNoOutput)
{
    writeFile(path("foreign.xml"), "<Other />");
    writeFile(path("empty.xml"), "<Patternlens><Layers /></Patternlens>");
    writeFile(path("broken.xml"), "<Patternlens><Layers>");
    std::string deep = "<Patternlens><Layers>";
    for (int i = 0; i < 100000; ++i) deep += "<Layer TypeID=\"0\"><Variables><Variable>";
    writeFile(path("deep.xml"), deep);

    struct Case {
        std::string scene, reason;
    };
    for (const Case& c : {Case{"missing.xml", "No such file or directory"},
                          Case{"foreign.xml", "not a scene file: no \"Patternlens\" element"},
                          Case{"empty.xml", "the file holds no layer"},
                          Case{"broken.xml", "not well-formed XML: "},
                          Case{"deep.xml", "nested 100,000 layers deep; the limit is 1,332"}}) {
        const ToolRun r = run("'" + path(c.scene) + "' '" + path("out.png") + "'");
        EXPECT_EQ(r.status, 1) << c.scene;
        EXPECT_EQ(r.err.rfind("patternlens-render: " + path(c.scene) + ": " + c.reason, 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(exists(path("out.png"))) << c.scene;
    }
}

TEST_F(RenderToolTest, AnUnwritableOutputIsReportedAndTheOldImageKept)
{
    writeScene("square.xml", 10, 10, cornerSquare);
    const ToolRun r = run("'" + path("square.xml") + "' '" + path("missing/out.png") + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "patternlens-render: " + path("missing/out.png") + ": No such file or directory\n");

    // A failed render leaves the previous image as it was, and no temporary
    // file beside it.
    writeFile(path("out.png"), "previous");
    EXPECT_EQ(run("'" + path("missing.xml") + "' '" + path("out.png") + "'").status, 1);
    EXPECT_EQ(readFile(path("out.png")), "previous");
    EXPECT_EQ(leftovers(), (std::vector<std::string>{"out.png", "square.xml"}));
}

} // namespace
