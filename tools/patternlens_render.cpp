// patternlens-render: renders a scene file to an image without a window.
//
// The command line only: the scene is read, checked and rendered by the
// library that C++ programs and the Python module use too
// (api/patternlens/patternlens.h), with the viewer's own reader and the row
// evaluation that fills the viewer's texture, so the image is the picture
// the viewer's drawing area shows at that size, top row first. It is
// written a band of rows at a time, so any size fits in a little memory.
#include "api/patternlens/patternlens.h"
#include "api/sceneaccess.h"
#include "imageoutput/exrjoin.h"
#include "imageoutput/imageencoder.h"
#include "layers/normalmap.h"
#include "persistence/storedranges.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* programName = "patternlens-render";
constexpr long long maxSide = patternlens::maxSide;

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

// An interrupted render (Ctrl-C, a closed terminal, kill) stops within a
// run of pixels, however wide the image, and removes its unfinished file
// before the process ends.
volatile std::sig_atomic_t stopSignal = 0;
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set in a signal handler");

void onStopSignal(int signal)
{
    stopSignal = signal;
    stopRequested = true;
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
    for (const patternlens::NamedRamp& ramp : patternlens::namedRamps())
        text += "                         " + ramp.name + " = " + ramp.stops + "\n";
    return text;
}

void printUsage(std::FILE* out)
{
    std::fprintf(out,
                 "Usage: %s [--size WIDTHxHEIGHT] [--region X,Y,W,H] [--depth 8|16] [--seamless]\n"
                 "       [--seed N] [--layer PATH] [--normal-map [--strength S]\n"
                 "       [--normal-convention opengl|directx] | --gradient STOPS]\n"
                 "       SCENE.xml OUTPUT.png|.pgm|.exr|.tif|.tiff\n"
                 "   or: %s [options] --pack R,G,B[,A] SCENE.xml OUTPUT.png|.tif|.tiff\n"
                 "   or: %s [options] SCENE.xml OUTPUT.r16|.raw|.glsl|.html\n"
                 "   or: %s --join OUTPUT.exr TILE.exr...\n"
                 "Renders the base layer of a scene file, with all its input layers, to a\n"
                 "greyscale PNG image (a binary PGM when OUTPUT ends in \".pgm\"), or to the\n"
                 "layer's values as floats: an OpenEXR image for \".exr\", a TIFF for \".tif\"\n"
                 "or \".tiff\". OUTPUT's suffix, in any case, names the format. \".r16\" and\n"
                 "\".raw\" write the 16-bit samples of --depth 16 alone, little-endian, top row\n"
                 "first, without a header: a terrain heightmap. \".glsl\" writes the layer as\n"
                 "GLSL 3.30 source that computes its values, and \".html\" a web page that\n"
                 "shows it live with WebGL 2 (pan with a left drag, zoom with the wheel).\n"
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
                 "  --aspect keep|stretch\n"
                 "                       keep: the picture of the drawing area the scene was\n"
                 "                       made in (400x470 unless the file says otherwise),\n"
                 "                       scaled to the image's width, so shapes keep their\n"
                 "                       proportions; stretch (the default): every layer's\n"
                 "                       view spans the image\n"
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
                 "  --pack R,G,B[,A]     write three or four layers into the channels of one RGB\n"
                 "                       or RGBA PNG or TIFF (8 bits, or --depth 16): each a\n"
                 "                       layer path as --layer takes it, \"base\" for the base\n"
                 "                       layer, \"-\" for 0 and \"1\" for full white\n"
                 "  --es                 write the .glsl shader in GLSL ES 3.00 (WebGL 2,\n"
                 "                       mobile) instead of GLSL 3.30 core\n"
                 "  --join               join EXR tiles rendered apart with --region of one\n"
                 "                       image (each knows its place in it) into the whole\n"
                 "                       image, as scripts/render-tiles.sh does\n"
                 "  --help               show this text\n"
                 "\n"
                 "--normal-map and --gradient exclude each other and write PNG only. The\n"
                 "scene's own view (its viewAs attribute, what the viewer shows) is ignored:\n"
                 "the output is what these options ask for. A shader or page computes the\n"
                 "picture at any size: --region and --depth do not apply to it.\n"
                 "\n"
                 "The image is rendered and written a band of rows at a time, so its memory\n"
                 "grows with its width only.\n",
                 programName, programName, programName, programName, maxSide, patternlens::defaultWidth,
                 patternlens::defaultHeight, namedRamps().c_str());
}

int usageError(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", programName, message.c_str(), programName);
    return 2;
}

// A message that names its file first, as the library's do.
int failure(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", programName, message.c_str());
    return 1;
}

int fileError(const std::string& file, const std::string& reason)
{
    return failure(file + ": " + reason);
}

// A decimal number, digits only, from min to max.
bool parseNumber(const std::string& text, long long min, long long max, int* out)
{
    long long value = 0;
    const char* end = text.data() + text.size();
    const std::from_chars_result r = std::from_chars(text.data(), end, value);
    if (text.empty() || text[0] == '-' || r.ec != std::errc() || r.ptr != end || value < min || value > max)
        return false;
    *out = static_cast<int>(value);
    return true;
}

bool parseSize(const std::string& text, long long* width, long long* height)
{
    const std::size_t x = text.find('x');
    if (x == std::string::npos) return false;
    int w = 0, h = 0;
    if (!parseNumber(text.substr(0, x), 1, maxSide, &w) || !parseNumber(text.substr(x + 1), 1, maxSide, &h)) return false;
    *width = w;
    *height = h;
    return true;
}

bool parseRegion(const std::string& text, patternlens::Region* region)
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
    const char* end = text.data() + text.size();
    const std::from_chars_result r = std::from_chars(text.data(), end, *out);
    return !text.empty() && text[0] != '-' && r.ec == std::errc() && r.ptr == end;
}

// The channels of --pack: three or four names between commas.
bool parsePack(const std::string& text, std::vector<std::string>* channels)
{
    channels->clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        channels->push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (channels->back().empty()) return false;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return channels->size() == 3 || channels->size() == 4;
}

// The options: each long option's code is its row's place past the
// characters, the value's name is what a missing value's message asks for.
enum Code {
    size = 256, region, depth, normalMap, strength, convention, gradient, pack, es, seamless, seed, layer, aspect, join, help
};
const struct Option {
    const char* name;
    Code code;
    const char* missing;   // null: the option takes no value
} options[] = {
    {"size", size, "a value WIDTHxHEIGHT"},
    {"region", region, "a value X,Y,W,H"},
    {"depth", depth, "a value, 8 or 16"},
    {"normal-map", normalMap, nullptr},
    {"strength", strength, "a value, a number"},
    {"normal-convention", convention, "a value, opengl or directx"},
    {"gradient", gradient, "a value: T:#RRGGBB entries joined by commas, or a ramp's name"},
    {"pack", pack, "a value R,G,B or R,G,B,A: layer paths, base, - or 1"},
    {"es", es, nullptr},
    {"seamless", seamless, nullptr},
    {"seed", seed, "a value, a whole number from 0 to 4294967295"},
    {"layer", layer, "a value, the variables' names from the base layer down"},
    {"aspect", aspect, "a value, keep or stretch"},
    {"join", join, nullptr},
    {"help", help, nullptr},
};

const Option* optionOf(int code)
{
    for (const Option& option : options)
        if (option.code == code) return &option;
    return nullptr;
}

// What the command line asks for.
struct Request {
    patternlens::Frame frame;   // the drawing area's size, the base layer
    patternlens::FileOptions file;
    bool regionGiven = false, depthGiven = false;
    bool normalMap = false, gradient = false;
    bool strengthGiven = false, conventionGiven = false;
    int optionsGiven = 0;
    bool join = false;
    std::vector<std::string> files;
};

// Takes one option's value into request; a usage error's message, or empty.
std::string takeOption(int code, const std::string& value, Request& request)
{
    patternlens::Frame& frame = request.frame;
    switch (code) {
    case size:
        if (!parseSize(value, &frame.width, &frame.height))
            return "invalid size '" + value + "': expected WIDTHxHEIGHT, each 1 to " + std::to_string(maxSide) +
                   ", the most a PNG image allows";
        break;
    case region:
        if (!parseRegion(value, &frame.region))
            return "invalid region '" + value + "': expected X,Y,W,H, whole numbers with W and H at least 1";
        request.regionGiven = true;
        break;
    case depth:
        if (value != "8" && value != "16") return "invalid depth '" + value + "': expected 8 or 16";
        request.file.depth = value == "8" ? 8 : 16;
        request.depthGiven = true;
        break;
    case normalMap: request.normalMap = true; break;
    case strength:
        if (!normalmap::parseStrength(value, &request.file.strength))
            return "invalid strength '" + value + "': expected a number from -1000000 to 1000000";
        request.strengthGiven = true;
        break;
    case convention: {
        normalmap::Convention parsed;
        if (!normalmap::parseConvention(value, &parsed))
            return "invalid normal convention '" + value + "': expected opengl or directx";
        request.file.convention = parsed == normalmap::Convention::directx ? patternlens::NormalConvention::directx
                                                                            : patternlens::NormalConvention::opengl;
        request.conventionGiven = true;
        break;
    }
    case gradient: {
        const std::string rampError = patternlens::rampError(value);
        if (!rampError.empty()) return rampError;
        request.file.ramp = value;
        request.gradient = true;
        break;
    }
    case pack:
        if (!parsePack(value, &request.file.pack))
            return "invalid pack '" + value + "': expected three or four channels R,G,B[,A], each a layer path, base, "
                   "- or 1";
        break;
    case es: request.file.es = true; break;
    case seamless: frame.seamless = patternlens::Seamless::on; break;
    case seed:
        if (!parseSeed(value, &frame.seed))
            return "invalid seed '" + value + "': expected a whole number from 0 to 4294967295";
        break;
    case layer: frame.layer = value; break;
    case aspect:
        if (value != "keep" && value != "stretch") return "invalid aspect '" + value + "': expected keep or stretch";
        frame.aspect = value == "keep" ? patternlens::Aspect::keep : patternlens::Aspect::stretch;
        break;
    }
    return {};
}

// Reads the command line into request: a usage error's message, or empty.
// "--name VALUE" and "--name=VALUE" alike, the files anywhere among the
// options, "--" ending the options.
std::string readCommandLine(int argc, char** argv, Request& request, bool* helpAsked)
{
    std::vector<::option> table;
    for (const Option& o : options) table.push_back({o.name, o.missing ? required_argument : no_argument, nullptr, o.code});
    table.push_back({nullptr, 0, nullptr, 0});
    opterr = 0;   // the messages are ours
    optind = 1;
    // "-": the files come back in order as code 1; ":": a missing value is
    // told apart from an unknown option.
    for (int code; (code = getopt_long(argc, argv, "-:h", table.data(), nullptr)) != -1;) {
        const std::string given = argv[optind - 1];
        if (code == 1) {
            request.files.push_back(optarg);
        } else if (code == join) {
            request.join = true;
        } else if (code == 'h' || code == help) {
            *helpAsked = true;
            return {};
        } else if (code == ':') {
            const Option* option = optionOf(optopt);
            return "--" + std::string(option ? option->name : "?") + " needs " + (option ? option->missing : "a value");
        } else if (code == '?') {
            const Option* option = optionOf(optopt);
            if (option) return "--" + std::string(option->name) + " takes no value";
            return "unknown option '" + (optopt > 0 && optopt < 256 ? "-" + std::string(1, char(optopt)) : given) + "'";
        } else {
            const std::string error = takeOption(code, optarg ? optarg : "", request);
            if (!error.empty()) return error;
            ++request.optionsGiven;
        }
    }
    request.files.insert(request.files.end(), argv + optind, argv + argc);
    if (request.join) {
        if (request.optionsGiven > 0) return "--join takes no other option";
        if (request.files.size() < 2) return "--join needs an output file and the tiles";
        return {};
    }
    if (request.files.size() > 2) return "too many arguments";
    if (request.files.size() < 2) return "expected a scene file and an output file";
    return {};
}

// --join: the tiles after the output joined into it.
int joinTiles(const std::vector<std::string>& files)
{
    patternlens::Format format;
    if (!patternlens::formatOf(files[0], &format) || format != patternlens::Format::exr)
        return usageError("--join writes EXR images: output '" + files[0] + "' must end in .exr");
    const std::string error =
        imagewriter::joinExrTiles(std::vector<std::string>(files.begin() + 1, files.end()), files[0]);
    return error.empty() ? 0 : fileError(files[0], error);
}

} // namespace

int main(int argc, char** argv)
{
    Request request;
    bool helpAsked = false;
    const std::string usage = readCommandLine(argc, argv, request, &helpAsked);
    if (helpAsked) {
        printUsage(stdout);
        return 0;
    }
    if (!usage.empty()) return usageError(usage);
    if (request.join) return joinTiles(request.files);
    patternlens::Frame& frame = request.frame;
    patternlens::FileOptions& options = request.file;
    const std::string& scenePath = request.files[0];
    const std::string& outputPath = request.files[1];
    // Writing PNG bytes under another format's name would mislead whoever
    // opens the file: the name must ask for a format the renderer writes.
    patternlens::Format format;
    if (!patternlens::formatOf(outputPath, &format))
        return usageError("output '" + outputPath + "': the renderer writes " + imagewriter::outputSuffixList());
    if (request.regionGiven) {
        try {
            patternlens::checkFrame(frame);
        } catch (const patternlens::Error& e) {
            return usageError(e.what());
        }
    }
    if (request.normalMap && request.gradient) return usageError("--normal-map and --gradient exclude each other");
    if ((request.strengthGiven || request.conventionGiven) && !request.normalMap)
        return usageError(std::string(request.strengthGiven ? "--strength" : "--normal-convention") +
                          " goes with --normal-map");
    if ((request.normalMap || request.gradient) && format != patternlens::Format::png)
        return usageError(std::string(request.normalMap ? "--normal-map" : "--gradient") + " writes PNG images only");
    if (request.normalMap) options.picture = patternlens::Picture::normalMap;
    if (request.gradient) options.picture = patternlens::Picture::colourRamp;
    if (format == patternlens::Format::exr && request.depthGiven && options.depth == 8)
        return usageError("an EXR image holds floats: --depth 16 for halves, or no --depth for 32-bit floats");
    const bool text = format == patternlens::Format::glsl || format == patternlens::Format::html;
    if (options.es && format != patternlens::Format::glsl) return usageError("--es goes with a .glsl output");
    if (text && (request.depthGiven || request.regionGiven || request.normalMap || request.gradient || !options.pack.empty()))
        return usageError(std::string("a shader or page shows the whole picture in its own values: ") +
                          (request.depthGiven ? "--depth" : request.regionGiven ? "--region" : !options.pack.empty() ? "--pack"
                           : request.normalMap ? "--normal-map" : "--gradient") + " does not apply");
    if (format == patternlens::Format::raw && (request.normalMap || request.gradient || !options.pack.empty()))
        return usageError("a .r16 or .raw heightmap holds the grey values alone");
    if (format == patternlens::Format::raw && request.depthGiven && options.depth != 16)
        return usageError("a .r16 or .raw heightmap holds 16-bit samples: --depth 16 or none");
    if (!options.pack.empty()) {
        if (format != patternlens::Format::png && format != patternlens::Format::tiff)
            return usageError("--pack writes PNG or TIFF images");
        if (!frame.layer.empty()) return usageError("--pack names its layers itself: --layer does not apply");
        if (request.normalMap || request.gradient) return usageError("--pack writes the layers' grey values");
    }

    // The scene is read as the viewer reads it. The frame gives its layers
    // the image's size (layers hold no pixels until they are drawn, so even
    // a huge size costs nothing) and picks the layer. The file's own
    // settings come with it; the option only turns Seamless on.
    std::unique_ptr<patternlens::Scene> scene;
    try {
        scene = std::make_unique<patternlens::Scene>(patternlens::Scene::load(scenePath));
    } catch (const patternlens::Error& e) {
        return failure(e.what());
    }
    // What the reader took leniently, and values stored outside their
    // ranges, are told once; the render goes on.
    for (const std::string& warning : {scene->warning(), storedranges::note(patternlens::SceneAccess::composition(*scene).tree.get())})
        if (!warning.empty()) std::fprintf(stderr, "%s: warning: %s: %s\n", programName, scenePath.c_str(), warning.c_str());
    try {
        scene->check(frame);
    } catch (const patternlens::Error& e) {
        // The library's message names the layer ("layer 'X': ..."); the
        // command line names its option.
        if (e.kind() == patternlens::Error::Kind::layer) return usageError(std::string("--") + e.what());
        return usageError(e.what());
    }

    // Large renders take a while; on a terminal, show how far they are.
    ProgressLine line;
    const bool showProgress = isatty(fileno(stderr)) != 0;
    if (showProgress) options.progress = [&line](long long done, long long total) { return line.update(done, total); };
    options.stop = &stopRequested;
    catchStopSignals();
    std::string error;
    patternlens::Error::Kind kind = patternlens::Error::Kind::io;
    try {
        scene->writeFile(outputPath, frame, options);
    } catch (const patternlens::Error& e) {
        error = e.what();
        kind = e.kind();
    }
    if (showProgress) std::fputc('\n', stderr);
    // A channel of --pack that leads nowhere, or one the format cannot hold,
    // is found with the layers.
    if (kind == patternlens::Error::Kind::layer) return usageError("--" + error);
    if (kind == patternlens::Error::Kind::options) return usageError(error);
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
