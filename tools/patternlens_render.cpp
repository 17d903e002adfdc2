// patternlens-render: renders a scene file to an image without a window.
//
// The scene is read by the viewer's own reader, given the requested size by
// the render request it shares with the Python module (imageoutput/renderrequest.h)
// and evaluated by the same row evaluation that fills the viewer's texture,
// so the image is the picture the viewer's drawing area shows at that size,
// top row first. It is written a band of rows at a time
// (imageoutput/imagerender.h), so any size fits in a little memory.
#include "layers/drawingarea.h"
#include "layers/colourramp.h"
#include "layers/renderable.h"
#include "layers/workerpool.h"
#include "persistence/scenefile.h"
#include "imageoutput/imagerender.h"
#include "imageoutput/renderrequest.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* programName = "patternlens-render";
constexpr long long maxSide = imagewriter::ImageEncoder::maxSide;

// "rendering:  42%" on one line of the terminal, rewritten as rows finish;
// once a render has run a while, with its speed and the time it still needs.
class ProgressLine {
public:
    bool update(long long doneRows, long long totalRows)
    {
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        const int percent = static_cast<int>(100 * doneRows / totalRows);
        const long long shownSecond = static_cast<long long>(seconds);
        if (percent == lastPercent && shownSecond == lastSecond) return true;
        lastPercent = percent;
        lastSecond = shownSecond;
        char line[160];
        int n = std::snprintf(line, sizeof line, "\rrendering: %3d%%", percent);
        if (seconds >= 1.0 && doneRows > 0) {
            const double rate = doneRows / seconds;
            const long long left = static_cast<long long>((totalRows - doneRows) / rate + 0.5);
            if (left >= 3600)
                n += std::snprintf(line + n, sizeof line - n, ", %.0f rows/s, %lld:%02lld:%02lld left", rate,
                                   left / 3600, left / 60 % 60, left % 60);
            else
                n += std::snprintf(line + n, sizeof line - n, ", %.0f rows/s, %lld:%02lld left", rate, left / 60,
                                   left % 60);
        }
        // Clears what a longer line before it left behind.
        std::fprintf(stderr, "%s\033[K", line);
        std::fflush(stderr);
        return true;
    }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point started = Clock::now();
    int lastPercent = -1;
    long long lastSecond = -1;
};

// An interrupted render (Ctrl-C, a closed terminal, kill) stops at the next
// band and removes its unfinished file before the process ends.
volatile std::sig_atomic_t stopSignal = 0;

void onStopSignal(int signal)
{
    stopSignal = signal;
}

void catchStopSignals()
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action {};
        sigaction(signal, nullptr, &action);
        if (action.sa_handler == SIG_IGN) continue;   // started to ignore it (nohup, a background job)
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(signal, &action, nullptr);
    }
}

// The named ramps for --help, one a line.
std::string namedRamps()
{
    std::string text;
    for (const ColourRamp::Named& ramp : ColourRamp::named())
        text += std::string("                         ") + ramp.name + " = " + ramp.stops + "\n";
    return text;
}

void printUsage(std::FILE* out)
{
    std::fprintf(out,
                 "Usage: %s [--size WIDTHxHEIGHT] [--region X,Y,W,H] [--depth 8|16] [--seamless]\n"
                 "       [--seed N] [--layer PATH] [--normal-map [--strength S]\n"
                 "       [--normal-convention opengl|directx] | --gradient STOPS]\n"
                 "       SCENE.xml OUTPUT.png|.pgm|.exr|.tif|.tiff\n"
                 "Renders the base layer of a scene file, with all its input layers, to a\n"
                 "greyscale PNG image (a binary PGM when OUTPUT ends in \".pgm\"), or to the\n"
                 "layer's values as floats: an OpenEXR image for \".exr\", a TIFF for \".tif\"\n"
                 "or \".tiff\". OUTPUT's suffix, in any case, names the format.\n"
                 "\n"
                 "  --size WIDTHxHEIGHT  image size in pixels, each side 1 to %lld\n"
                 "                       (default %dx%d, the viewer's drawing area)\n"
                 "  --region X,Y,W,H     render only the W x H pixels at column X and row Y of\n"
                 "                       that image, rows counted from the top: tiles rendered\n"
                 "                       apart join to the whole image\n"
                 "  --depth 8|16         bits per sample (default 8, the viewer's grey levels;\n"
                 "                       16 keeps the layer's values to 1/65535). EXR and TIFF\n"
                 "                       hold 32-bit floats unless it is given: 16 makes an EXR\n"
                 "                       of halves and a TIFF of 16-bit integers, 8 a TIFF of\n"
                 "                       the grey bytes (an EXR cannot have 8)\n"
                 "  --seamless           render the scene seamless (every layer repeats over its\n"
                 "                       view, so the image tiles) even when the file does not\n"
                 "                       ask for it\n"
                 "  --seed N             add N (0 to 4294967295) to every layer's seed, modulo\n"
                 "                       2^32, for this render: each N gives a variation of the\n"
                 "                       design, reproducible from its number (default 0, the\n"
                 "                       file as it is)\n"
                 "  --layer PATH         render an input layer instead of the base layer: the\n"
                 "                       names of the variables from the base layer down,\n"
                 "                       joined by \"/\" (\"Spacing/Cutoff\" is the input of the\n"
                 "                       base layer's Spacing, then that layer's Cutoff)\n"
                 "  --normal-map         write the normal map of the values as an RGB PNG: the\n"
                 "                       heights' slopes to the neighbouring pixels (across the\n"
                 "                       whole image, so tiles join; wrapped when seamless)\n"
                 "  --strength S         the normal map's slope factor, a number (default 10)\n"
                 "  --normal-convention opengl|directx\n"
                 "                       green up (opengl, the default) or down (directx)\n"
                 "  --gradient STOPS     write the values through a colour ramp as an RGB PNG:\n"
                 "                       STOPS is T:#RRGGBB entries joined by commas, T from 0\n"
                 "                       to 1 strictly increasing, or one of the named ramps:\n"
                 "%s"
                 "  --help               show this text\n"
                 "\n"
                 "--normal-map and --gradient exclude each other and write PNG only. The\n"
                 "scene's own view (its viewAs attribute, what the viewer shows) is ignored:\n"
                 "the output is what these options ask for.\n"
                 "\n"
                 "The image is rendered and written a band of rows at a time, so its memory\n"
                 "grows with its width only.\n",
                 programName, maxSide, drawingarea::startWidth, drawingarea::startHeight,
                 namedRamps().c_str());
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

// A decimal number, digits only, from min to max.
bool parseNumber(const std::string& text, long long min, long long max, int* out)
{
    if (text.empty() || text.size() > 12) return false;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < min || value > max) return false;
    *out = static_cast<int>(value);
    return true;
}

bool parseSize(const std::string& text, int* width, int* height)
{
    const std::size_t x = text.find('x');
    if (x == std::string::npos) return false;
    return parseNumber(text.substr(0, x), 1, maxSide, width) && parseNumber(text.substr(x + 1), 1, maxSide, height);
}

bool parseRegion(const std::string& text, imagewriter::Region* region)
{
    int* fields[4] = {&region->x, &region->y, &region->width, &region->height};
    std::size_t start = 0;
    for (int k = 0; k < 4; ++k) {
        const std::size_t comma = k < 3 ? text.find(',', start) : text.size();
        if (comma == std::string::npos) return false;
        if (!parseNumber(text.substr(start, comma - start), k < 2 ? 0 : 1, maxSide, fields[k])) return false;
        start = comma + 1;
    }
    return true;
}

// A seed: digits only, 0 to 4294967295.
bool parseSeed(const std::string& text, std::uint32_t* out)
{
    if (text.empty()) return false;
    unsigned long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned long long>(c - '0');
        if (value > 4294967295ull) return false;
    }
    *out = static_cast<std::uint32_t>(value);
    return true;
}

// The value of option name at argv[i], given as "--name VALUE" or
// "--name=VALUE"; false when arg is not that option.
bool optionValue(const std::string& name, int argc, char** argv, int* i, std::string* value, bool* missing)
{
    const std::string arg = argv[*i];
    *missing = false;
    if (arg == name) {
        if (*i + 1 >= argc) {
            *missing = true;
            return true;
        }
        *value = argv[++*i];
        return true;
    }
    if (arg.rfind(name + "=", 0) == 0) {
        *value = arg.substr(name.size() + 1);
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    int width = drawingarea::startWidth;
    int height = drawingarea::startHeight;
    imagewriter::RenderOptions options;
    bool regionGiven = false;
    bool depthGiven = false;
    bool normalMap = false, gradient = false;
    std::string strengthText, conventionText;
    bool seamless = false;
    std::uint32_t seed = 0;
    std::string layerPath;
    std::string files[2];
    int fileCount = 0;
    bool optionsEnded = false;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string value;
        bool missing = false;
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            printUsage(stdout);
            return 0;
        } else if (!optionsEnded && optionValue("--size", argc, argv, &i, &value, &missing)) {
            if (missing) return usageError("--size needs a value WIDTHxHEIGHT");
            if (!parseSize(value, &width, &height))
                return usageError("invalid size '" + value + "': expected WIDTHxHEIGHT, each 1 to " +
                                  std::to_string(maxSide) + ", the most a PNG image allows");
        } else if (!optionsEnded && optionValue("--region", argc, argv, &i, &value, &missing)) {
            if (missing) return usageError("--region needs a value X,Y,W,H");
            if (!parseRegion(value, &options.region))
                return usageError("invalid region '" + value + "': expected X,Y,W,H, whole numbers with W and H at least 1");
            regionGiven = true;
        } else if (!optionsEnded && optionValue("--depth", argc, argv, &i, &value, &missing)) {
            if (missing) return usageError("--depth needs a value, 8 or 16");
            if (value != "8" && value != "16") return usageError("invalid depth '" + value + "': expected 8 or 16");
            options.depth = value == "8" ? 8 : 16;
            depthGiven = true;
        } else if (!optionsEnded && arg == "--normal-map") {
            normalMap = true;
        } else if (!optionsEnded && optionValue("--strength", argc, argv, &i, &value, &missing)) {
            if (missing) return usageError("--strength needs a value, a number");
            if (!normalmap::parseStrength(value, &options.view.normal.strength))
                return usageError("invalid strength '" + value + "': expected a number from -1000000 to 1000000");
            strengthText = value;
        } else if (!optionsEnded && optionValue("--normal-convention", argc, argv, &i, &value, &missing)) {
            if (missing) return usageError("--normal-convention needs a value, opengl or directx");
            if (!normalmap::parseConvention(value, &options.view.normal.convention))
                return usageError("invalid normal convention '" + value + "': expected opengl or directx");
            conventionText = value;
        } else if (!optionsEnded && optionValue("--gradient", argc, argv, &i, &value, &missing)) {
            if (missing) return usageError("--gradient needs a value: T:#RRGGBB entries joined by commas, or a ramp's name");
            std::string rampError;
            if (!ColourRamp::parse(value, &options.view.ramp, &rampError)) return usageError(rampError);
            gradient = true;
        } else if (!optionsEnded && arg == "--seamless") {
            seamless = true;
        } else if (!optionsEnded && optionValue("--seed", argc, argv, &i, &value, &missing)) {
            if (missing) return usageError("--seed needs a value, a whole number from 0 to 4294967295");
            if (!parseSeed(value, &seed))
                return usageError("invalid seed '" + value + "': expected a whole number from 0 to 4294967295");
        } else if (!optionsEnded && optionValue("--layer", argc, argv, &i, &value, &missing)) {
            if (missing) return usageError("--layer needs a value, the variables' names from the base layer down");
            layerPath = value;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option '" + arg + "'");
        } else {
            if (fileCount == 2) return usageError("too many arguments");
            files[fileCount++] = arg;
        }
    }
    if (fileCount < 2) return usageError("expected a scene file and an output file");
    // Writing PNG bytes under another format's name would mislead whoever
    // opens the file: the name must ask for a format the renderer writes.
    imagewriter::Format format;
    if (!imagewriter::formatForSuffix(files[1], &format))
        return usageError("output '" + files[1] + "': the renderer writes " + imagewriter::outputSuffixList() + " files");
    if (regionGiven) {
        const std::string error = imagewriter::regionError(options.region, width, height);
        if (!error.empty()) return usageError(error);
    }
    const std::string& scenePath = files[0];
    const std::string& outputPath = files[1];
    const bool values = format == imagewriter::Format::Exr || format == imagewriter::Format::Tiff;
    if (normalMap && gradient) return usageError("--normal-map and --gradient exclude each other");
    if ((!strengthText.empty() || !conventionText.empty()) && !normalMap)
        return usageError(std::string(strengthText.empty() ? "--normal-convention" : "--strength") +
                          " goes with --normal-map");
    if ((normalMap || gradient) && format != imagewriter::Format::Png)
        return usageError(std::string(normalMap ? "--normal-map" : "--gradient") + " writes PNG images only");
    if (normalMap) options.view.kind = ViewAs::Kind::normal;
    if (gradient) options.view.kind = ViewAs::Kind::ramp;
    if (format == imagewriter::Format::Exr && depthGiven && options.depth == 8)
        return usageError("an EXR image holds floats: --depth 16 for halves, or no --depth for 32-bit floats");
    if (values && !depthGiven) options.depth = 32;

    // The scene is read as the viewer reads it; the request gives its layers
    // the image's size (layers hold no pixels until they are drawn, so even
    // a huge size costs nothing here) and picks the layer. The file's own
    // settings came with the tree; the option only turns Seamless on.
    scenefile::ReadResult scene = scenefile::read(scenePath);
    if (!scene.baseLayer) return fileError(scenePath, scene.error);
    // What the reader took leniently is told; the render goes on.
    if (!scene.warning.empty())
        std::fprintf(stderr, "%s: warning: %s: %s\n", programName, scenePath.c_str(), scene.warning.c_str());
    Composition composition(std::move(scene.baseLayer), scene.settings);
    renderrequest::Request request;
    request.width = width;
    request.height = height;
    request.layerPath = layerPath;
    request.region = options.region;
    if (seamless) request.seamless = renderrequest::Override::on;
    request.seed = seed;
    const renderrequest::Prepared prepared = renderrequest::prepare(composition, request);
    if (!prepared.layer) {
        if (prepared.fault == renderrequest::Fault::layer)
            return usageError("--layer '" + layerPath + "': " + prepared.error);
        return usageError(prepared.error);
    }

    // Large renders take a while; on a terminal, show how far they are.
    ProgressLine line;
    const bool showProgress = isatty(fileno(stderr)) != 0;
    options.progress = [&line, showProgress](long long done, long long total) {
        if (stopSignal) return false;
        return !showProgress || line.update(done, total);
    };
    catchStopSignals();
    // A pixel of a deep tree recurses once per layer: the render runs on a
    // thread with the workers' deep stack.
    std::string error = "no thread could be started for the render";
    WorkerPool::runOnDeepStack([&] { error = imagewriter::renderToFile(*prepared.layer, outputPath, options); });
    if (showProgress) std::fputc('\n', stderr);
    // A signal that comes after the last band lets the finished file stand.
    if (stopSignal && !error.empty()) {
        fileError(outputPath, "interrupted; nothing written");
        // Ends by the signal, as the shell expects of an interrupted command.
        std::signal(stopSignal, SIG_DFL);
        std::raise(stopSignal);
    }
    if (!error.empty()) return fileError(outputPath, error);
    return 0;
}
