// patternlens-render as a user runs it: a scene file and an output path on
// the command line, an image or a one-line error out.
#include "app/layercontrols.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "layers/viewresize.h"
#include "persistence/scenefile.h"

#include "tests/support/testfiles.h"
#include "tests/support/testpng.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>
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

    // shellPrefix runs in the same shell first (limits, traps).
    ToolRun run(const std::string& arguments, const std::string& shellPrefix = "") const
    {
        return runCommand(shellPrefix + std::string("'") + RENDER_TOOL + "' " + arguments);
    }

    ToolRun runCommand(const std::string& commandLine) const
    {
        const std::string command = commandLine + " >'" + path("stdout") + "' 2>'" + path("stderr") + "' </dev/null";
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

    // tree.xml: Circles driven by an inverted Noise layer.
    void writeTreeScene()
    {
        writeScene("tree.xml", 10, 10, [] {
            Renderable* circles = createLayer(2);
            circles->setView(3.25f, -1.5f, 10, 10);
            Renderable* noise = createLayer(0);
            noise->inverse = true;
            circles->attachInput(1, noise);
            return circles;
        });
    }

    // The shell commands that start a render of arguments in the background
    // and wait (up to a minute) until it has its output open in the folder
    // (or one inside it), unnamed or not, with its pid in $pid.
    std::string startAndWaitForOutput(const std::string& arguments) const
    {
        return "'" + std::string(RENDER_TOOL) + "' " + arguments + " & pid=$!; for i in $(seq 600); do " +
               "readlink /proc/$pid/fd/* | grep -Eq '^" + directory + "/([^/]*/)?(#|[.]out)' && break; sleep 0.1; done; ";
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
    writeTreeScene();
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

// --aspect keep: the drawing area's picture (its drawingArea, else 400 x
// 470) scaled to the image's width, by the engine's one rule; tiles of it
// join, and at the drawing area's shape it is the plain render.
TEST_F(RenderToolTest, KeepingTheAspectScalesTheDrawingAreasPictureAndItsTilesJoin)
{
    writeTreeScene();
    std::string text = readFile(path("tree.xml"));
    text.replace(text.find("<Patternlens>"), 13, "<Patternlens drawingArea=\"60x20\">");
    writeFile(path("wide.xml"), text);
    const auto pgm = [&](const std::string& options, const std::string& scene) {
        EXPECT_EQ(run(options + " '" + path(scene) + "' '" + path("out.pgm") + "'").status, 0) << options;
        const std::string image = readFile(path("out.pgm"));
        return image.substr(image.find("255\n") + 4);
    };
    for (const std::string scene : {"tree.xml", "wide.xml"}) {
        const drawingarea::Size drawn = scenefile::read(path(scene)).settings.drawingArea;
        std::unique_ptr<Renderable> expected = std::move(scenefile::read(path(scene)).baseLayer);
        viewresize::resizeKeepingAspect(*expected, 90, 70, drawn);
        expected->fillPixels();
        std::string rows;
        for (int r = 69; r >= 0; --r) rows.append(expected->pixels.begin() + r * 90, expected->pixels.begin() + (r + 1) * 90);
        const std::string whole = pgm("--size 90x70 --aspect keep", scene);
        EXPECT_EQ(whole, rows) << scene;
        EXPECT_NE(whole, pgm("--size 90x70", scene)) << scene;
        const std::string top = pgm("--size 90x70 --aspect keep --region 0,0,90,30", scene);
        EXPECT_EQ(top + pgm("--size 90x70 --aspect=keep --region 0,30,90,40", scene), whole) << scene;
        const std::string shape = std::to_string(drawn.width * 2) + "x" + std::to_string(drawn.height * 2);
        EXPECT_EQ(pgm("--size " + shape + " --aspect keep", scene), pgm("--size " + shape, scene)) << scene;
    }
}

// Values a file stores outside their ranges are rendered as they are and
// named once, as the viewer's load names them.
TEST_F(RenderToolTest, StoredValuesOutsideTheirRangesAreNamedOnceAndRendered)
{
    writeTreeScene();
    std::string text = readFile(path("tree.xml"));
    for (const char* name : {"Radius", "Cutoff"}) {   // 0.001 to 10, -1 to 1
        const std::size_t at = text.find("OverrideValue=\"", text.find(name)) + 15;
        text.replace(at, text.find('"', at) - at, "123456789");
    }
    writeFile(path("odd.xml"), text);
    const ToolRun r = run("'" + path("odd.xml") + "' '" + path("odd.png") + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "patternlens-render: warning: " + path("odd.xml") +
                         ": Radius is 1.23457e+08, outside its range 0.001 to 10 (and 1 other)\n");
}

TEST_F(RenderToolTest, LayerPathsPickAnInputLayerOrListTheNamesThatLeadOn)
{
    // tree.xml's input layer by itself: the Noise layer as a base layer, in
    // the view and with the Inverse it has in the tree.
    writeTreeScene();
    writeScene("noise.xml", 10, 10, [] {
        Renderable* noise = createLayer(0);
        noise->setView(3.25f, -1.5f, 10, 10);
        noise->inverse = true;
        return noise;
    });
    for (const std::string options : {"--size 96x113", "--size 96x113 --region 10,20,30,40 --depth 16"}) {
        ASSERT_EQ(run(options + " --layer Spacing '" + path("tree.xml") + "' '" + path("layer.png") + "'").status, 0);
        ASSERT_EQ(run(options + " '" + path("noise.xml") + "' '" + path("alone.png") + "'").status, 0);
        EXPECT_EQ(readFile(path("layer.png")), readFile(path("alone.png"))) << options;
    }
    ASSERT_EQ(run("--layer= '" + path("tree.xml") + "' '" + path("base.png") + "'").status, 0);
    ASSERT_EQ(run("'" + path("tree.xml") + "' '" + path("whole.png") + "'").status, 0);
    EXPECT_EQ(readFile(path("base.png")), readFile(path("whole.png")));

    const std::string files = " '" + path("tree.xml") + "' '" + path("out.png") + "'";
    const std::pair<std::string, std::string> bad[] = {
        {"Radius", "'Radius' of the base layer (Circles) has no input layer; names with an input layer there: Spacing"},
        {"spacing", "the base layer (Circles) has no variable 'spacing'; names with an input layer there: Spacing"},
        {"Spacing/Cutoff", "'Cutoff' of the Noise layer at 'Spacing' has no input layer; names with an input layer "
                           "there: none, it has no input layers"},
    };
    for (const auto& [layerPath, reason] : bad) {
        const ToolRun r = run("--layer '" + layerPath + "'" + files);
        EXPECT_EQ(r.status, 2) << layerPath;
        EXPECT_EQ(r.err.rfind("patternlens-render: --layer '" + layerPath + "': " + reason + "\n", 0), 0u) << r.err;
        EXPECT_FALSE(exists(path("out.png"))) << layerPath;
    }
    EXPECT_EQ(run("--layer").status, 2);
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
    EXPECT_EQ(help.out.rfind("Usage: patternlens-render [--size WIDTHxHEIGHT] [--region X,Y,W,H] [--depth 8|16] "
                             "[--seamless]\n       [--seed N] [--layer PATH] [--normal-map [--strength S]\n"
                             "       [--normal-convention opengl|directx] | --gradient STOPS]\n"
                             "       SCENE.xml OUTPUT.png|.pgm|.exr|.tif|.tiff\n", 0), 0u)
        << help.out;

    writeScene("square.xml", 10, 10, cornerSquare);
    const std::string files = " '" + path("square.xml") + "' '" + path("out.png") + "'";
    for (const std::string& args :
         {std::string("--frobnicate") + files, std::string("-x") + files, std::string("--size 0x10") + files,
          std::string("--size 10x") + files, std::string("--size x10") + files, std::string("--size abc") + files,
          std::string("--size 2147483648x10") + files, std::string("--size 10x99999999999") + files,
          std::string("--size -5x5") + files, std::string("--size 10x10x10") + files, std::string("--size") ,
          std::string("'") + path("square.xml") + "'", std::string(""), std::string("a b c")}) {
        const ToolRun r = run(args);
        EXPECT_NE(r.status, 0) << args;
        EXPECT_EQ(r.err.rfind("patternlens-render: ", 0), 0u) << args << ": " << r.err;
        EXPECT_FALSE(exists(path("out.png"))) << args;
    }
    // Options that take no value, and --join's own command line.
    for (const auto& [args, said] : {std::pair<std::string, std::string>{"--normal-map=1" + files, "--normal-map takes no value"},
                                     {"--join" + files, "--join writes EXR images"},
                                     {"--join --seamless a.exr b.exr", "--join takes no other option"}}) {
        const ToolRun r = run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.err.rfind("patternlens-render: " + said, 0), 0u) << args << ": " << r.err;
    }
    // An output named for a format the renderer does not write is refused,
    // naming those it does; the suffix's case does not matter.
    for (const char* name : {"out.jpg", "out", "out.png.gz"}) {
        const ToolRun r = run("'" + path("square.xml") + "' '" + path(name) + "'");
        EXPECT_TRUE(r.status == 2 && r.err.find(".png, .pgm, .exr, .tif or .tiff") != std::string::npos && !exists(path(name))) << r.err;
    }
    ASSERT_EQ(run("'" + path("square.xml") + "' '" + path("out.PGM") + "'").status, 0);
    EXPECT_EQ(readFile(path("out.PGM")).rfind("P5", 0), 0u);
    // Sides far past the viewer's textures are accepted (checked on a thin
    // image: the renderer holds a band of rows, never the whole image).
    ASSERT_EQ(run("--size 1x100000" + files).status, 0);
    EXPECT_EQ(testpng::decode(path("out.png")).height, 100000);
}

TEST_F(RenderToolTest, BadDepthsRegionsAndSizesAreRefusedBeforeAnyFileIsMade)
{
    writeScene("square.xml", 10, 10, cornerSquare);
    const std::string files = " '" + path("square.xml") + "' '" + path("out.png") + "'";
    struct Case {
        std::string arguments, message;
    };
    for (const Case& c : {
             Case{"--depth 12", "invalid depth '12': expected 8 or 16"},
             Case{"--depth=", "invalid depth '': expected 8 or 16"},
             Case{"--depth 8bit", "invalid depth '8bit': expected 8 or 16"},
             Case{"--size 10x10 --region 0,0,11,10", "the region 0,0,11,10 lies outside the 10x10 image"},
             Case{"--size 10x10 --region 10,0,1,1", "the region 10,0,1,1 lies outside the 10x10 image"},
             Case{"--region 0,470,1,1", "the region 0,470,1,1 lies outside the 400x470 image"},
             Case{"--size 10x10 --region=9,9,1,2", "the region 9,9,1,2 lies outside the 10x10 image"},
             Case{"--region 0,0,0,5", "invalid region '0,0,0,5': expected X,Y,W,H"},
             Case{"--region 1,2,3", "invalid region '1,2,3': expected X,Y,W,H"},
             Case{"--region -1,0,1,1", "invalid region '-1,0,1,1': expected X,Y,W,H"},
             Case{"--region 1,2,3,4,5", "invalid region '1,2,3,4,5': expected X,Y,W,H"},
             Case{"--size 2147483648x1", "invalid size '2147483648x1': expected WIDTHxHEIGHT, each 1 to 2147483647, "
                                         "the most a PNG image allows"},
             Case{"--size 1x2147483648", "invalid size '1x2147483648'"},
         }) {
        const ToolRun r = run(c.arguments + files);
        EXPECT_EQ(r.status, 2) << c.arguments;
        EXPECT_EQ(r.err.rfind("patternlens-render: " + c.message, 0), 0u) << c.arguments << ": " << r.err;
        EXPECT_FALSE(exists(path("out.png"))) << c.arguments;
    }
    // Float outputs, normal maps and ramps: what goes with what.
    for (const Case& c : {
             Case{"--depth 8 OUT.exr", "an EXR image holds floats"},
             Case{"--normal-map OUT.tif", "--normal-map writes PNG images only"},
             Case{"--gradient fire OUT.exr", "--gradient writes PNG images only"},
             Case{"--normal-map --gradient fire OUT.png", "--normal-map and --gradient exclude each other"},
             Case{"--strength 3 OUT.png", "--strength goes with --normal-map"},
             Case{"--normal-map --strength 1e9 OUT.png", "invalid strength '1e9'"},
             Case{"--normal-map --normal-convention up OUT.png", "invalid normal convention 'up'"},
             Case{"--gradient 0:#000000,0.5:#12345 OUT.png", "invalid colour ramp entry '0.5:#12345'"},
             Case{"--gradient lava OUT.png", "invalid colour ramp entry 'lava'"},
         }) {
        std::string arguments = c.arguments;
        const std::size_t out = arguments.find("OUT");
        const std::string output = path("out" + arguments.substr(out + 3));
        arguments.replace(out, std::string::npos, "'" + path("square.xml") + "' '" + output + "'");
        const ToolRun r = run(arguments);
        EXPECT_EQ(r.status, 2) << c.arguments;
        EXPECT_EQ(r.err.rfind("patternlens-render: " + c.message, 0), 0u) << c.arguments << ": " << r.err;
        EXPECT_FALSE(exists(output)) << c.arguments;
    }
    // The largest side passes the check (the region keeps the work small).
    EXPECT_EQ(run("--size 2147483647x3 --region 2147483640,1,7,2" + files).status, 0);
    EXPECT_EQ(testpng::decode(path("out.png")).width, 7);
}

TEST_F(RenderToolTest, AnInterruptedOrKilledRenderLeavesTheFolderAsItWas)
{
    writeScene("noise.xml", 10, 10, [] { return createLayer(0); });
    for (const char* signal : {"TERM", "KILL"}) {
        for (bool older : {true, false}) {
            if (older) writeFile(path("out.png"), "previous");
            else std::remove(path("out.png").c_str());
            // Stopped once it has its output open in the folder, unnamed or
            // not (polled for up to a minute): a render of this size takes
            // far longer.
            const std::string script =
                startAndWaitForOutput("--size 30000x30000 '" + path("noise.xml") + "' '" + path("out.png") + "'") +
                "kill -" + signal + " $pid; wait $pid; echo \"status $?\"";
            const ToolRun r = runCommand("{ " + script + "; }");
            const bool term = std::string(signal) == "TERM";
            // Ended by the signal; the shell may add its own word about it.
            EXPECT_EQ(r.out, term ? "status 143\n" : "status 137\n");
            const std::string said = "patternlens-render: " + path("out.png") + ": interrupted; nothing written\n";
            EXPECT_EQ(r.err.rfind(said, 0), term ? 0u : std::string::npos) << r.err;
            EXPECT_EQ(older ? readFile(path("out.png")) : std::string(), older ? "previous" : "");
            EXPECT_EQ(leftovers(), older ? (std::vector<std::string>{"noise.xml", "out.png"})
                                         : (std::vector<std::string>{"noise.xml"}))
                << signal;
        }
    }
}

// Every output (each format with each depth and picture) on a full disk (a
// 64 KiB file system on its folder, in a mount namespace of its own where
// the system allows one, else a file size limit), into a folder that cannot
// be written (root's render without the capabilities that pass over its
// mode) and interrupted part way: each says why and leaves the earlier file
// alone, nothing beside it.
TEST_F(RenderToolTest, EveryOutputSurvivesAFullDiskAReadOnlyFolderAndAnInterrupt)
{
    writeScene("noise.xml", 10, 10, [] { return createLayer(0); });
    ASSERT_EQ(std::system(("mkdir '" + path("full") + "' '" + path("ro") + "'").c_str()), 0);
    const std::string listAfter = "\"$@\"; s=$?; ls -A \"$0\"; exit $s' '" + path("full") + "' ";
    const std::string mount = "unshare -m sh -c 'mount -t tmpfs -o size=64k none \"$0\" && " + listAfter;
    const bool tmpfs = runCommand(mount + "true").status == 0;
    const std::string full = tmpfs ? mount : "ulimit -f 128 && trap '' XFSZ && sh -c '" + listAfter;
    const std::string asUser = geteuid() == 0 ? "setpriv --bounding-set=-dac_override,-dac_read_search " : "";
    const bool readOnly = asUser.empty() || runCommand(asUser + "true").status == 0;
    for (const std::string arguments :
         {"out.png", "--depth 16 out.png", "out.pgm", "--depth 16 out.pgm", "out.exr", "--depth 16 out.exr", "out.tif",
          "--depth 16 out.tif", "--depth 8 out.tif", "--normal-map out.png", "--normal-map --depth 16 out.png",
          "--gradient fire out.png", "--gradient ice --depth 16 out.png"}) {
        const std::string out = arguments.substr(arguments.rfind(' ') + 1);
        const std::string options = arguments.substr(0, arguments.size() - out.size());
        const std::string render = "'" + std::string(RENDER_TOOL) + "' " + options;
        const ToolRun r = runCommand(full + render + "--size 1000x1000 '" + path("noise.xml") + "' '" + path("full/" + out) + "'");
        EXPECT_EQ(r.err, "patternlens-render: " + path("full/" + out) + ": " +
                             (tmpfs ? "No space left on device" : "File too large") + "\n") << arguments;
        EXPECT_EQ(r.status, 1) << arguments;
        EXPECT_EQ(r.out, "") << arguments;   // nothing left in the folder
        writeFile(path("ro/" + out), "earlier");
        chmod(path("ro").c_str(), 0555);
        const ToolRun denied = runCommand(asUser + render + "'" + path("noise.xml") + "' '" + path("ro/" + out) + "'");
        chmod(path("ro").c_str(), 0755);
        EXPECT_TRUE(!readOnly || denied.err == "patternlens-render: " + path("ro/" + out) + ": Permission denied\n")
            << denied.err;
        const ToolRun stopped = runCommand("{ " + startAndWaitForOutput(options + "--size 20000x20000 '" + path("noise.xml") + "' '" + path("ro/" + out) + "'") +
                                           "kill -TERM $pid; wait $pid; echo \"status $?\"; }");
        EXPECT_EQ(stopped.out, "status 143\n") << arguments << ": " << stopped.err;
        EXPECT_EQ(readFile(path("ro/" + out)), "earlier") << arguments;
        std::remove(path("ro/" + out).c_str());
    }
    if (!readOnly) std::cout << "[  SKIPPED ] no read-only folder for root here: setpriv cannot drop its capabilities\n";
    EXPECT_EQ(leftovers(), (std::vector<std::string>{"full", "noise.xml", "ro"}));
}

// One row of 2^31 - 1 pixels goes in parts of columns: the render holds a
// few MiB, and an interrupt stops it at once rather than when the row ends.
TEST_F(RenderToolTest, TheWidestRowStopsAtOnceAndHoldsLittleMemory)
{
    writeScene("noise.xml", 10, 10, [] { return createLayer(0); });
    const ToolRun r = runCommand("{ " + startAndWaitForOutput("--size 2147483647x1 '" + path("noise.xml") + "' '" + path("out.png") + "'") +
                                 "sleep 1; grep VmHWM /proc/$pid/status; kill -TERM $pid; sleep 2; kill -KILL $pid; wait $pid; echo $?; }");
    long long peakKiB = 0;
    EXPECT_EQ(std::sscanf(r.out.c_str(), "VmHWM: %lld kB\n143\n", &peakKiB), 1) << r.out;
    EXPECT_LT(peakKiB, 100 << 10) << r.out;
    EXPECT_NE(r.out.find("\n143\n"), std::string::npos) << r.out;   // ended by the interrupt, not the kill
    EXPECT_EQ(leftovers(), std::vector<std::string>{"noise.xml"});
}

TEST_F(RenderToolTest, SixteenBitImagesHoldTheLayersValuesRounded)
{
    // Noise whose Cutoff follows Circles: smooth values with sharp edges.
    writeScene("tree.xml", 10, 10, [] {
        Renderable* noise = createLayer(0);
        noise->setView(3.25f, -1.5f, 10, 10);
        noise->inverse = true;
        noise->attachInput(0, createLayer(2));
        return noise;
    });
    const int w = 61, h = 47;
    const std::string size = "--depth 16 --size " + std::to_string(w) + "x" + std::to_string(h);
    ASSERT_EQ(run(size + " '" + path("tree.xml") + "' '" + path("tree.png") + "'").status, 0);
    ASSERT_EQ(run(size + " '" + path("tree.xml") + "' '" + path("tree.pgm") + "'").status, 0);

    LayerControls controls;
    controls.setViewportSize(w, h);
    ASSERT_TRUE(controls.readSceneFile(path("tree.xml")));
    const Renderable* layer = controls.currentLayer;
    const testpng::Grey png = testpng::decodeGrey(path("tree.png"));
    const std::string pgm = readFile(path("tree.pgm"));
    const std::string header = "P5\n61 47\n65535\n";
    ASSERT_EQ(pgm.compare(0, header.size(), header), 0);
    ASSERT_EQ(pgm.size(), header.size() + 2u * w * h);
    ASSERT_EQ(png.depth, 16);
    ASSERT_EQ(png.width, w);
    ASSERT_EQ(png.height, h);
    std::set<int> levels;
    for (int top = 0; top < h; ++top)
        for (int col = 0; col < w; ++col) {
            const float v = layer->pixelValue(col, h - 1 - top);
            const int want = static_cast<int>(std::lround(std::min(std::max(v, 0.0f), 1.0f) * 65535.0));
            const std::size_t k = static_cast<std::size_t>(top) * w + col;
            ASSERT_EQ(png.samples[k], want) << "column " << col << ", image row " << top;
            ASSERT_EQ(std::uint8_t(pgm[header.size() + 2 * k]) << 8 | std::uint8_t(pgm[header.size() + 2 * k + 1]),
                      want);
            levels.insert(want);
        }
    EXPECT_GT(levels.size(), 256u);   // finer than the 8-bit image could be
}

// A TIFF's rows as bytes, however its strips are laid out.
std::string tiffSamples(const std::string& path)
{
    std::string out;
    if (TIFF* tiff = TIFFOpen(path.c_str(), "r")) {
        std::uint32_t height = 0;
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
        std::string row(static_cast<std::size_t>(TIFFScanlineSize(tiff)), '\0');
        for (std::uint32_t r = 0; r < height && TIFFReadScanline(tiff, &row[0], r) >= 0; ++r) out += row;
        TIFFClose(tiff);
    }
    return out;
}

TEST_F(RenderToolTest, TilesRenderedApartAndJoinedByTheScriptAreTheSingleRender)
{
    writeTreeScene();
    const std::string scene = " '" + path("tree.xml") + "' ";
    const std::string script = std::string("PATTERNLENS_RENDER='") + RENDER_TOOL + "' bash '" + RENDER_TILES_SCRIPT + "' ";
    // Odd sizes: the tiles at the right and bottom edges are narrower.
    for (const std::string depth : {"8", "16"}) {
        for (const std::string tiles : {"--size 203x151 --tile 64x48", "--size 97x41 --tile 97x7", "--size 50x40 --tile 25x20"}) {
            const std::string options = tiles + " --depth " + depth;
            const ToolRun joined = runCommand(script + options + scene + "'" + path("joined.pgm") + "'");
            ASSERT_EQ(joined.status, 0) << options << ": " << joined.err;
            const std::string single = "--size " + tiles.substr(7, tiles.find(' ', 7) - 7) + " --depth " + depth;
            ASSERT_EQ(run(single + scene + "'" + path("single.pgm") + "'").status, 0);
            ASSERT_EQ(readFile(path("joined.pgm")), readFile(path("single.pgm"))) << options;

            // Joined into a PNG, the encodings differ but the pixels agree.
            ASSERT_EQ(runCommand(script + options + scene + "'" + path("joined.png") + "'").status, 0) << options;
            ASSERT_EQ(run(single + scene + "'" + path("single.png") + "'").status, 0);
            const testpng::Grey a = testpng::decodeGrey(path("joined.png")), b = testpng::decodeGrey(path("single.png"));
            ASSERT_FALSE(b.samples.empty());
            EXPECT_EQ(a.depth, b.depth);
            EXPECT_EQ(a.width, b.width);
            EXPECT_EQ(a.samples, b.samples) << options;
        }
    }
    // TIFF outputs join tiles of floats, or of 16-bit samples.
    for (const std::string depth : {"", " --depth 16"}) {
        const std::string options = "--size 97x41 --tile 40x16" + depth;
        const ToolRun joined = runCommand(script + options + scene + "'" + path("joined.tif") + "'");
        ASSERT_EQ(joined.status, 0) << options << ": " << joined.err;
        ASSERT_EQ(run("--size 97x41" + depth + scene + "'" + path("single.tif") + "'").status, 0);
        const std::string single = tiffSamples(path("single.tif"));
        EXPECT_EQ(single.size(), 97u * 41 * (depth.empty() ? 4 : 2));
        EXPECT_EQ(tiffSamples(path("joined.tif")), single) << options;
        std::remove(path("joined.tif").c_str());
        std::remove(path("single.tif").c_str());
    }

    // Through the machine list, as on a cluster: here the one line ":" (this
    // machine), which runs the jobs in the tiles' folder without ssh.
    const ToolRun listed = runCommand(std::string("PATTERNLENS_REMOTE_RENDER='") + RENDER_TOOL + "' bash '" +
                                      RENDER_TILES_SCRIPT + "' --sshlogin : --size 50x40 --tile 25x20" + scene + "'" +
                                      path("joined.pgm") + "'");
    ASSERT_EQ(listed.status, 0) << listed.err;
    ASSERT_EQ(run("--size 50x40" + scene + "'" + path("single.pgm") + "'").status, 0);
    EXPECT_EQ(readFile(path("joined.pgm")), readFile(path("single.pgm")));

    // --seed goes to every tile (the machine's renderer asked first whether
    // it knows it); a renderer that does not is refused before any tile.
    const std::string unseeded = readFile(path("single.pgm"));
    const ToolRun seeded = runCommand(std::string("PATTERNLENS_REMOTE_RENDER='") + RENDER_TOOL + "' bash '" +
                                      RENDER_TILES_SCRIPT + "' --sshlogin : --seed 7 --size 50x40 --tile 25x20" +
                                      scene + "'" + path("joined.pgm") + "'");
    ASSERT_EQ(seeded.status, 0) << seeded.err;
    ASSERT_EQ(run("--seed 7 --size 50x40" + scene + "'" + path("single.pgm") + "'").status, 0);
    EXPECT_EQ(readFile(path("joined.pgm")), readFile(path("single.pgm")));
    EXPECT_NE(readFile(path("single.pgm")), unseeded);
    writeFile(path("old-render"), "#!/bin/sh\necho 'Usage: old-render [--size WIDTHxHEIGHT] SCENE.xml OUTPUT.png'\n");
    ASSERT_EQ(chmod(path("old-render").c_str(), 0755), 0);
    const ToolRun old = runCommand("PATTERNLENS_REMOTE_RENDER='" + path("old-render") + "' bash '" +
                                   RENDER_TILES_SCRIPT + "' --sshlogin : --seed 7 --size 50x40" + scene + "'" +
                                   path("old.pgm") + "'");
    EXPECT_EQ(old.status, 2);
    EXPECT_NE(old.err.find("has no --seed"), std::string::npos) << old.err;
    EXPECT_FALSE(exists(path("old.pgm")));
    std::remove(path("old-render").c_str());

    // Nothing but the outputs is left beside them.
    EXPECT_EQ(leftovers(), (std::vector<std::string>{"joined.pgm", "joined.png", "single.pgm", "single.png", "tree.xml"}));

    const ToolRun bad = runCommand(script + "--size 10x10 --depth 12" + scene + "'" + path("bad.png") + "'");
    EXPECT_NE(bad.status, 0);
    EXPECT_FALSE(exists(path("bad.png")));
}

// EXR tiles join into the one render's very bytes; normal maps, ramps and
// kept aspects tile; what cannot be joined is refused before any tile
// renders, with the reason.
TEST_F(RenderToolTest, TheTilesScriptJoinsEveryKindOfImageAndRefusesWhatItCannotUpFront)
{
    writeTreeScene();
    const std::string scene = " '" + path("tree.xml") + "' ";
    const std::string script = std::string("PATTERNLENS_RENDER='") + RENDER_TOOL + "' bash '" + RENDER_TILES_SCRIPT +
                               "' --size 97x41 --tile 40x16 ";
    // EXRs byte for byte, normal maps and ramps pixel for pixel.
    for (const std::string options : {"", "--depth 16 ", "--aspect keep --seed 3 ", "--gradient terrain --depth 16 ",
                                      "--normal-map --strength 3 --normal-convention directx --seamless "}) {
        const std::string out = options.find("--gradient") == 0 || options.find("--normal") == 0 ? ".png" : ".exr";
        const ToolRun joined = runCommand(script + options + scene + "'" + path("joined" + out) + "'");
        ASSERT_EQ(joined.status, 0) << options << joined.err;
        ASSERT_EQ(run("--size 97x41 " + options + scene + "'" + path("single" + out) + "'").status, 0);
        if (out == ".exr") EXPECT_EQ(readFile(path("joined.exr")), readFile(path("single.exr"))) << options;
        else EXPECT_EQ(testpng::decodeGrey(path("joined.png")).samples, testpng::decodeGrey(path("single.png")).samples);
        std::remove(path("joined" + out).c_str());
        std::remove(path("single" + out).c_str());
    }
    for (const auto& [arguments, said] : {std::pair<std::string, std::string>{"--normal-map out.tif", "a normal map is an RGB PNG"},
                                          {"--gradient fire out.pgm", "a colour ramp is in colour"},
                                          {"--depth 8 out.exr", "an EXR image holds floats"},
                                          {"--depth 16 out.jpg", "'out.jpg' cannot hold"},
                                          {"--strength 3 out.png", "--strength goes with --normal-map"}}) {
        const ToolRun r = runCommand(script + arguments.substr(0, arguments.rfind(' ')) + scene + "'" + path(arguments.substr(arguments.rfind(' ') + 1)) + "'");
        EXPECT_EQ(r.status, 2) << arguments;
        EXPECT_NE(r.err.find(said), std::string::npos) << arguments << ": " << r.err;
        EXPECT_EQ(r.err.find("tiles of"), std::string::npos) << "rendered before refusing: " << r.err;
    }
    EXPECT_EQ(leftovers(), std::vector<std::string>{"tree.xml"});
}

// The samples of a grey PGM of either depth, in order.
std::vector<int> pgmSamples(const std::string& pgm)
{
    std::istringstream in(pgm);
    std::string magic;
    int width = 0, height = 0, maxval = 0;
    in >> magic >> width >> height >> maxval;
    const std::size_t start = static_cast<std::size_t>(in.tellg()) + 1;
    std::vector<int> out;
    for (std::size_t k = 0; k < static_cast<std::size_t>(width) * height; ++k)
        out.push_back(maxval == 255 ? std::uint8_t(pgm[start + k])
                                    : std::uint8_t(pgm[start + 2 * k]) << 8 | std::uint8_t(pgm[start + 2 * k + 1]));
    return out;
}

// Packed channels and heightmaps hold the single layers' renders, byte for
// byte: with a region and a seed, in PNG and TIFF, at both depths, whole or
// joined from tiles.
TEST_F(RenderToolTest, PackedChannelsAndHeightmapsHoldTheSingleLayersRenders)
{
    writeTreeScene();
    const std::string scene = " '" + path("tree.xml") + "' ";
    const std::string frame = "--size 53x37 --region 5,3,40,30 --seed 9 ";
    for (const std::string depth : {"8", "16"}) {
        ASSERT_EQ(run(frame + "--depth " + depth + scene + "'" + path("base.pgm") + "'").status, 0);
        ASSERT_EQ(run(frame + "--depth " + depth + " --layer Spacing" + scene + "'" + path("spacing.pgm") + "'").status, 0);
        const std::vector<int> base = pgmSamples(readFile(path("base.pgm")));
        const std::vector<int> spacing = pgmSamples(readFile(path("spacing.pgm")));
        ASSERT_EQ(base.size(), 40u * 30);
        const int white = depth == "8" ? 255 : 65535;
        // Each pack's channels: the samples they must hold.
        const std::pair<std::string, std::vector<std::vector<int>>> packs[] = {
            {"base,Spacing,-,1", {base, spacing, std::vector<int>(base.size(), 0), std::vector<int>(base.size(), white)}},
            {"Spacing,1,base", {spacing, std::vector<int>(base.size(), white), base}},
        };
        for (const auto& [pack, channels] : packs) {
            const std::string options = frame + "--depth " + depth + " --pack " + pack + scene;
            ASSERT_EQ(run(options + "'" + path("packed.png") + "'").status, 0) << pack;
            ASSERT_EQ(run(options + "'" + path("packed.tif") + "'").status, 0) << pack;
            const testpng::Grey png = testpng::decodeGrey(path("packed.png"));
            const std::string tif = tiffSamples(path("packed.tif"));
            const std::size_t n = channels.size(), bytes = depth == "8" ? 1 : 2;
            ASSERT_EQ(png.channels, static_cast<int>(n)) << pack;
            ASSERT_EQ(tif.size(), base.size() * n * bytes) << pack;
            for (std::size_t k = 0; k < base.size(); ++k)
                for (std::size_t c = 0; c < n; ++c) {
                    const std::size_t at = (k * n + c) * bytes;
                    int sample = std::uint8_t(tif[at]);
                    if (bytes == 2) std::memcpy(&sample, &tif[at], 2);   // the machine's order, as the TIFF says
                    ASSERT_EQ(png.samples[k * n + c], channels[c][k]) << pack << " pixel " << k << " channel " << c;
                    ASSERT_EQ(bytes == 2 ? sample & 0xffff : sample, channels[c][k]) << pack << " pixel " << k;
                }
        }
        if (depth == "16") {
            // A heightmap: the same samples, little-endian, nothing else.
            for (const std::string name : {"height.r16", "height.raw"}) {
                ASSERT_EQ(run(frame + scene + "'" + path(name) + "'").status, 0);
                const std::string raw = readFile(path(name));
                ASSERT_EQ(raw.size(), 2 * base.size());
                for (std::size_t k = 0; k < base.size(); ++k)
                    ASSERT_EQ(std::uint8_t(raw[2 * k]) | std::uint8_t(raw[2 * k + 1]) << 8, base[k]) << k;
            }
        }
    }
    // Tiles joined by the script are the whole render, packed or a heightmap.
    const std::string script = std::string("PATTERNLENS_RENDER='") + RENDER_TOOL + "' bash '" + RENDER_TILES_SCRIPT + "' ";
    for (const auto& [options, name] : {std::pair<std::string, std::string>{"--pack base,Spacing,1 ", "p.png"},
                                               {"--depth 16 ", "h.r16"}}) {
        ASSERT_EQ(runCommand(script + "--size 45x31 --tile 20x12 " + options + scene + "'" + path("joined-" + name) + "'").status, 0)
            << options;
        ASSERT_EQ(run("--size 45x31 " + options + scene + "'" + path("single-" + name) + "'").status, 0);
        if (name == "p.png")
            EXPECT_EQ(testpng::decodeGrey(path("joined-" + name)).samples, testpng::decodeGrey(path("single-" + name)).samples);
        else
            EXPECT_EQ(readFile(path("joined-" + name)), readFile(path("single-" + name)));
    }

    // What the formats cannot hold is refused before any file is made.
    for (const std::string& args : {std::string("--pack base,-,1 ") + scene + "'" + path("x.pgm") + "'",
                                    std::string("--pack base,- ") + scene + "'" + path("x.png") + "'",
                                    std::string("--pack base,Nope,1 ") + scene + "'" + path("x.png") + "'",
                                    std::string("--depth 8") + scene + "'" + path("x.raw") + "'",
                                    std::string("--es") + scene + "'" + path("x.png") + "'",
                                    std::string("--region 0,0,5,5") + scene + "'" + path("x.glsl") + "'"}) {
        const ToolRun r = run(args);
        EXPECT_EQ(r.status, 2) << args << ": " << r.err;
        EXPECT_EQ(r.err.rfind("patternlens-render: ", 0), 0u) << r.err;
    }
    for (const char* name : {"x.pgm", "x.png", "x.raw", "x.glsl"}) EXPECT_FALSE(exists(path(name))) << name;
}

// A seamless scene renders the same from its file's attribute as with
// --seamless, differs from the flat one, and its tiles still join.
TEST_F(RenderToolTest, SeamlessScenesRenderFromTheFileOrTheOptionAndTheirTilesJoin)
{
    writeTreeScene();
    std::string text = readFile(path("tree.xml"));
    text.replace(text.find("<Patternlens>"), 13, "<Patternlens seamless=\"1\">");
    writeFile(path("seamless.xml"), text);
    const auto image = [&](const std::string& options, const std::string& scene) {
        EXPECT_EQ(run(options + " '" + path(scene) + "' '" + path("out.pgm") + "'").status, 0) << options;
        const std::string pgm = readFile(path("out.pgm"));
        return pgm.substr(pgm.size() - 40 * 30 / (options.find("--region") == std::string::npos ? 1 : 2));
    };
    const std::string whole = image("--size 40x30", "seamless.xml");
    EXPECT_EQ(image("--size 40x30 --seamless", "tree.xml"), whole);
    EXPECT_NE(image("--size 40x30", "tree.xml"), whole);
    const std::string left = image("--size 40x30 --region 0,0,20,30", "seamless.xml");
    const std::string right = image("--size 40x30 --region 20,0,20,30 --seamless", "tree.xml");
    for (int row = 0; row < 30; ++row)
        EXPECT_EQ(left.substr(row * 20, 20) + right.substr(row * 20, 20), whole.substr(row * 40, 40)) << row;
}

// --seed N adds N to every layer's seed modulo 2^32: the tree's Noise at
// seed 5 with --seed 4294967295 is the file's seed 4 (and --seed 0 the file
// as it is). A seed the file cannot mean is told with its line, and the
// render goes on; a bad --seed is a usage error.
TEST_F(RenderToolTest, SeedsAddToEveryLayerWrapAndBadOnesAreTold)
{
    writeTreeScene();
    const std::string text = readFile(path("tree.xml"));
    const auto withSeed = [&](const std::string& seed) {
        std::string t = text;
        const std::size_t at = t.find("inverse=\"1\"") + 11;
        return t.insert(at, " seed=\"" + seed + "\"");
    };
    writeFile(path("four.xml"), withSeed("4"));
    writeFile(path("five.xml"), withSeed("5"));
    writeFile(path("bad.xml"), withSeed("0x10"));
    const auto image = [&](const std::string& options, const std::string& scene) {
        const ToolRun r = run(options + " --size 40x30 '" + path(scene) + "' '" + path("out.pgm") + "'");
        EXPECT_EQ(r.status, 0) << options << ": " << r.err;
        return readFile(path("out.pgm"));
    };
    const std::string four = image("", "four.xml");
    EXPECT_NE(four, image("", "tree.xml"));
    EXPECT_EQ(image("--seed 4294967295", "five.xml"), four);
    EXPECT_EQ(image("--seed=0", "four.xml"), four);
    EXPECT_EQ(image("--seed 1", "tree.xml"), image("--seed 1", "bad.xml"));

    const ToolRun bad = run("'" + path("bad.xml") + "' '" + path("out.pgm") + "'");
    EXPECT_EQ(bad.status, 0);
    const std::size_t line = std::count(text.begin(), text.begin() + text.find("inverse=\"1\""), '\n') + 1;
    EXPECT_EQ(bad.err, "patternlens-render: warning: " + path("bad.xml") + ": line " + std::to_string(line) +
                           ": seed must be a whole number from 0 to 4294967295\n");
    for (const char* value : {"-1", "4294967296", "1.5", "", "+5", "x"}) {
        const ToolRun r = run(std::string("--seed '") + value + "' '" + path("tree.xml") + "' '" + path("x.pgm") + "'");
        EXPECT_EQ(r.status, 2) << value;
        EXPECT_FALSE(exists(path("x.pgm"))) << value;
    }
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
    // A folder that is a file (root may write anywhere else).
    const ToolRun notFolder = run("'" + path("square.xml") + "' '" + path("square.xml/out.png") + "'");
    EXPECT_EQ(notFolder.status, 1);
    EXPECT_EQ(notFolder.err, "patternlens-render: " + path("square.xml/out.png") + ": Not a directory\n");

    // A disk that fills up part way, made by a file size limit of 64 KiB
    // (with its signal ignored, writes past it fail): both formats stop with
    // the system's reason and leave nothing behind.
    writeScene("noise.xml", 10, 10, [] { return createLayer(0); });
    for (const std::string name : {"big.png", "big.pgm"}) {
        const ToolRun full = run("--depth 16 --size 2000x1000 '" + path("noise.xml") + "' '" + path(name) + "'",
                                 "ulimit -f 128 && trap '' XFSZ && ");
        EXPECT_EQ(full.status, 1) << name;
        EXPECT_EQ(full.err, "patternlens-render: " + path(name) + ": File too large\n");
        EXPECT_FALSE(exists(path(name)));
    }

    // A failed render leaves the previous image as it was, and no temporary
    // file beside it.
    writeFile(path("out.png"), "previous");
    EXPECT_EQ(run("'" + path("missing.xml") + "' '" + path("out.png") + "'").status, 1);
    EXPECT_EQ(readFile(path("out.png")), "previous");
    EXPECT_EQ(leftovers(), (std::vector<std::string>{"noise.xml", "out.png", "square.xml"}));
}

} // namespace
