// patternlens-render: renders a scene file to an image without a window.
//
// The scene is read by the viewer's own reader into a layer controller of the
// requested size and rendered by the same code that fills the viewer's
// texture, so the image is the picture the viewer's drawing area shows at
// that size, top row first.
#include "app/layercontrols.h"
#include "app/viewerlayout.h"
#include "layers/renderable.h"
#include "persistence/scenefile.h"
#include "tools/imagewriter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* programName = "patternlens-render";
constexpr int maxSide = 16384;

// "rendering: 42%" on one line of the terminal, rewritten as rows finish.
struct ProgressLine {
    bool shown;
    int lastPercent;

    static void report(void* context, int doneRows, int totalRows)
    {
        auto& line = *static_cast<ProgressLine*>(context);
        const int percent = static_cast<int>(100LL * doneRows / totalRows);
        if (percent == line.lastPercent) return;
        line.lastPercent = percent;
        std::fprintf(stderr, "\rrendering: %3d%%", percent);
        std::fflush(stderr);
    }
};

void printUsage(std::FILE* out)
{
    std::fprintf(out,
                 "Usage: %s [--size WIDTHxHEIGHT] SCENE.xml OUTPUT.png\n"
                 "Renders the base layer of a scene file, with all its input layers, to an\n"
                 "8-bit greyscale PNG image (a binary PGM when OUTPUT ends in \".pgm\").\n"
                 "\n"
                 "  --size WIDTHxHEIGHT  image size in pixels, each side 1 to %d\n"
                 "                       (default %dx%d, the viewer's drawing area)\n"
                 "  --help               show this text\n",
                 programName, maxSide, viewerlayout::drawingAreaWidth, viewerlayout::drawingAreaHeight);
}

int usageError(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", programName, message.c_str(), programName);
    return 2;
}

int fileError(const std::string& file, const std::string& reason)
{
    std::fprintf(stderr, "%s: %s: %s\n", programName, file.c_str(), reason.c_str());
    return 1;
}

// One side: decimal digits only, 1 to maxSide.
bool parseSide(const std::string& text, int* side)
{
    if (text.empty() || text.size() > 5) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > maxSide) return false;
    *side = value;
    return true;
}

bool parseSize(const std::string& text, int* width, int* height)
{
    const std::size_t x = text.find('x');
    if (x == std::string::npos) return false;
    return parseSide(text.substr(0, x), width) && parseSide(text.substr(x + 1), height);
}

} // namespace

int main(int argc, char** argv)
{
    int width = viewerlayout::drawingAreaWidth;
    int height = viewerlayout::drawingAreaHeight;
    std::string files[2];
    int fileCount = 0;
    bool optionsEnded = false;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            printUsage(stdout);
            return 0;
        } else if (!optionsEnded && (arg == "--size" || arg.rfind("--size=", 0) == 0)) {
            std::string value;
            if (arg == "--size") {
                if (i + 1 >= argc) return usageError("--size needs a value WIDTHxHEIGHT");
                value = argv[++i];
            } else {
                value = arg.substr(7);
            }
            if (!parseSize(value, &width, &height))
                return usageError("invalid size '" + value + "': expected WIDTHxHEIGHT, each 1 to " +
                                  std::to_string(maxSide));
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option '" + arg + "'");
        } else {
            if (fileCount == 2) return usageError("too many arguments");
            files[fileCount++] = arg;
        }
    }
    if (fileCount < 2) return usageError("expected a scene file and an output file");
    const std::string& scenePath = files[0];
    const std::string& outputPath = files[1];

    // Every layer takes its texture size from the controller when it is made,
    // so the size is set before the scene is read.
    LayerControls controls;
    controls.setViewportSize(width, height);

    // The scene is read as the viewer reads it, but not installed in the
    // controller: installing would render it at once, without progress.
    scenefile::ReadResult scene = scenefile::read(scenePath);
    if (!scene.baseLayer) return fileError(scenePath, scene.error);
    Renderable* layer = scene.baseLayer.get();

    // Large renders take seconds; on a terminal, show how far they are.
    ProgressLine progress{isatty(fileno(stderr)) != 0, -1};
    layer->fillPixels(progress.shown ? &ProgressLine::report : nullptr, &progress);
    if (progress.shown) std::fputc('\n', stderr);

    imagewriter::GreyImage image;
    image.pixels = layer->pixelData();
    image.width = layer->textureWidth;
    image.height = layer->textureHeight;
    const std::string error = imagewriter::writeImage(outputPath, image);
    if (!error.empty()) return fileError(outputPath, error);

    return 0;
}
