#pragma once
// Patternlens for C++ programs: load a scene that the viewer saved and render
// it at any size, into memory or into the files patternlens-render writes,
// with the very bytes the renderer and the Python module give.
//
// This header is the library's stable interface. It needs nothing but the
// standard library; the library's other headers are its own business and may
// change from one version to the next.
//
//     #include <patternlens/patternlens.h>
//
//     patternlens::Scene scene = patternlens::Scene::load("scene.xml");
//     patternlens::Frame frame;                    // 400 x 470, the base layer
//     frame.width = 1024;
//     frame.height = 768;
//     std::vector<std::uint8_t> grey(1024 * 768);
//     scene.render(frame, patternlens::Samples::uint8, grey.data(), 1024);
//     scene.writeFile("scene.png", frame);         // what --size 1024x768 writes
//
// Build with `pkg-config --cflags --libs patternlens`, or in CMake with
// find_package(Patternlens) and the target Patternlens::patternlens.
//
// Every failure is thrown as a patternlens::Error with the reason the
// renderer prints; nothing here prints, or ends the process. A Scene may be
// rendered by several threads at once; the renders share the processors.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace patternlens {

// The longest side of an image, in pixels: the most PNG and PGM allow.
constexpr long long maxSide = 2147483647;
// The size rendered when none is given: the viewer's drawing area, so an
// image matches what the viewer shows pixel for pixel.
constexpr int defaultWidth = 400;
constexpr int defaultHeight = 470;
// The scenes the reader takes, as the renderer does: files of at most this
// many bytes, whose chains of input layers, base layer to deepest input, are
// at most this long. (A document is also refused for more elements or
// attributes than any composition a person builds could have.)
constexpr std::size_t maxSceneBytes = std::size_t(128) << 20;
constexpr int maxChainLayers = 1332;

class Error : public std::runtime_error {
public:
    enum class Kind {
        scene,       // a scene file or text the reader refused
        size,        // a side below 1 or above maxSide
        region,      // a region that is empty or lies outside the image
        layer,       // a layer path that leads to no layer
        options,     // file options that do not go together, a file name of no
                     // format, a bad colour ramp or strength, a row too short
        io,          // the file could not be written
        cancelled,   // stopped by the caller's stop flag or progress
        system,      // no thread or memory could be had for the work
    };
    Error(Kind kind, const std::string& message, int systemError = 0)
        : std::runtime_error(message), kind_(kind), systemError_(systemError)
    {
    }
    Kind kind() const noexcept { return kind_; }
    // For a scene file the system could not give (missing, unreadable, a
    // directory), its error number (errno: ENOENT, EACCES, EISDIR...); 0
    // for every other failure.
    int systemError() const noexcept { return systemError_; }

private:
    Kind kind_;
    int systemError_;
};

// A rectangle of the image in pixels, (x, y) its top left corner, rows
// counted from the top. All zero: the whole image.
struct Region {
    int x = 0, y = 0, width = 0, height = 0;
};

// A scene setting as a render leaves it: as the scene has it, or forced.
enum class Seamless { keep, on, off };

// How the picture fills an image of another shape than the drawing area the
// scene was made in (its drawingArea attribute, 400 x 470 when it has none).
enum class Aspect {
    stretch,   // every layer's view spans the image, stretched to its shape
    keep,      // the drawing area's picture scaled to the image's width: each
               // layer's vertical extent becomes zoomy (H / W) (Wd / Hd) and
               // its y moves by the difference, so the middle row stays
};

// What a render shows, as patternlens-render's options say it.
struct Frame {
    // The whole image (--size), each side 1 to maxSide: the layers' view of
    // the plane is spread over it, so more pixels show the same picture
    // more finely.
    long long width = defaultWidth, height = defaultHeight;
    // The part of the whole image rendered (--region): tiles rendered apart
    // join to the whole image, byte for byte.
    Region region;
    // The layer rendered (--layer): the names of the variables from the base
    // layer down, joined by "/" ("Spacing/Cutoff"); empty for the base layer.
    std::string layer;
    // --seamless is Seamless::on: every layer repeats over its view.
    Seamless seamless = Seamless::keep;
    // Added to every layer's seed, modulo 2^32 (--seed): each number gives a
    // variation of the design; 0 renders the scene as it is.
    std::uint32_t seed = 0;
    // --aspect: a region takes the whole image's W and H, so tiles join.
    Aspect aspect = Aspect::stretch;

    // The size of what a render gives: the region's, or the whole image's.
    long long columns() const { return region.width != 0 ? region.width : width; }
    long long rows() const { return region.height != 0 ? region.height : height; }
};

// Samples of an image in memory, in the machine's byte order.
enum class Samples {
    uint8,     // the bytes of a PGM or PNG: the low 8 bits of value x 255
    uint16,    // the samples of --depth 16: round(value x 65535), the value
               // clamped to [0, 1] and NaN taken as 0
    float32,   // the layer's values themselves, before any rounding or
               // clamping (values outside [0, 1], and NaN, kept)
};

// The file formats, each named by its file name's suffix: the images, the
// heightmaps (.r16 or .raw: the 16-bit samples of depth 16 alone,
// little-endian, the top row first, no header), the GLSL shader (.glsl) and
// the web page that runs it (.html).
enum class Format { png, pgm, exr, tiff, raw, glsl, html };

// The format a file name's suffix asks for: .png, .pgm, .exr, .tif, .tiff,
// .r16, .raw, .glsl or .html, in any case. False for any other name.
bool formatOf(const std::string& path, Format* format);

// What a file shows of the values (PNG only for the two in colour).
enum class Picture {
    grey,         // the grey levels
    normalMap,    // RGB normals of the values as heights (--normal-map)
    colourRamp,   // RGB colours of the values through a ramp (--gradient)
};

enum class NormalConvention {
    opengl,    // green up
    directx,   // green down
};

struct FileOptions {
    // Bits per sample (--depth). 0: the format's own, 8 in PNG and PGM and
    // 32-bit floats in EXR and TIFF, 16 in a heightmap. 16: 16-bit samples
    // in PNG, PGM and TIFF, halves in an EXR. 8 in a TIFF: the grey bytes
    // (an EXR cannot have 8). 32: floats, EXR and TIFF only. A heightmap
    // has 16 only; a shader or page none.
    int depth = 0;
    Picture picture = Picture::grey;
    // The normal map's slope factor (--strength), -1e6 to 1e6, and
    // convention (--normal-convention).
    double strength = 10;
    NormalConvention convention = NormalConvention::opengl;
    // The colour ramp (--gradient): "T:#RRGGBB" entries joined by commas, T
    // from 0 to 1 strictly increasing, or the name of one of namedRamps().
    std::string ramp;
    // Called after each band of rows with the rows written so far and the
    // rows of the image, on the thread that renders (not the caller's);
    // returning false stops the render.
    std::function<bool(long long doneRows, long long totalRows)> progress;
    // Read before every row: once set, by any thread, the render stops.
    const std::atomic<bool>* stop = nullptr;
    // A .glsl file in GLSL ES 3.00 (WebGL 2, mobile) rather than GLSL 3.30
    // core (--es).
    bool es = false;
    // Packed channels (--pack): three or four, RGB or RGBA, each a layer
    // path as Frame::layer takes it, "base" for the base layer, "-" for 0
    // and "1" for full white. A PNG or TIFF of 8 bits (the default) or 16,
    // each channel holding what a grey image of its layer holds; the
    // frame's layer is not used. Empty: a grey image of the frame's layer.
    std::vector<std::string> pack;
};

// Why ramp is no colour ramp FileOptions::ramp takes, quoting the entry at
// fault; empty when it is one.
std::string rampError(const std::string& ramp);

// The named colour ramps, with the stops each stands for.
struct NamedRamp {
    std::string name, stops;
};
std::vector<NamedRamp> namedRamps();

// Throws Error (size or region) when frame's size or region is wrong. A
// scene's check adds the layer.
void checkFrame(const Frame& frame);

// A composition read from a scene file: a tree of layers and the scene's
// settings. Copies are independent and exact.
class Scene {
public:
    // Reads the scene file at path, or a document in memory. Throws Error
    // (scene) with the renderer's reason, preceded by the path for a file
    // ("scene.xml: ..."), when it cannot be read or is no scene: a missing
    // file, a directory or device (refused at once, never waited on), a
    // malformed document, one beyond the limits above. What the system
    // reported carries its error number (Error::systemError).
    static Scene load(const std::string& path);
    static Scene parse(const std::string& text);

    // A moved-from Scene may only be assigned to or destroyed.
    Scene(const Scene& other);
    Scene& operator=(const Scene& other);
    Scene(Scene&& other) noexcept;
    Scene& operator=(Scene&& other) noexcept;
    ~Scene();

    // What the reader took leniently (a seed it could not read, with its
    // line), as patternlens-render warns of it; empty: nothing.
    const std::string& warning() const;
    // The scene's own Seamless setting.
    bool seamless() const;
    // The scene file's name, without its folder ("" for a parsed document):
    // a shader's header and a page's title name it.
    const std::string& name() const;

    // Throws Error (size, region or layer) when frame cannot be rendered of
    // this scene: the layer's message names the path and lists the names
    // that lead on ("layer 'Spacing/X': ...").
    void check(const Frame& frame) const;

    // Renders frame into memory the caller owns, frame.columns() samples a
    // row: row r, the top row first, at out + r * rowBytes. Once stop (if
    // given) is set, the render ends within a row and throws Error
    // (cancelled), the memory partly filled.
    void render(const Frame& frame, Samples samples, void* out, std::size_t rowBytes,
                const std::atomic<bool>* stop = nullptr) const;

    // Renders the channels (FileOptions::pack) of frame into memory the
    // caller owns, interleaved: row r at out + r * rowBytes, pixel c's
    // channels one after another. uint8 and uint16 hold what grey images of
    // the layers hold, float32 their values (a constant is 0 or 1). Throws
    // Error (layer) naming a channel that leads to no layer, (options) for
    // a count other than 3 or 4.
    void renderPacked(const Frame& frame, const std::vector<std::string>& channels, Samples samples, void* out,
                      std::size_t rowBytes, const std::atomic<bool>* stop = nullptr) const;

    // The GLSL source of frame's layer (its size, region and seed as the
    // frame has them; the size only names the example of its header):
    // float patternlens(vec2 pixel, vec2 size) gives the values a float
    // render gives, with the views in the uniform array patternlensViews.
    // GLSL 3.30 core, or GLSL ES 3.00 with es.
    std::string glsl(const Frame& frame, bool es = false) const;

    // Writes frame to the file at path in the format its suffix asks for
    // (formatOf), a band of rows at a time: the memory grows with the width
    // only. Atomic: a failure or a cancel leaves any earlier file at path as
    // it was and no partial file. The bytes patternlens-render writes with
    // the same options. A .glsl shader or .html page takes no region.
    void writeFile(const std::string& path, const Frame& frame, const FileOptions& options = FileOptions()) const;

private:
    struct Data;
    explicit Scene(std::unique_ptr<Data> data);
    std::unique_ptr<Data> data_;
    // The library's own code that holds a composition of its own (the
    // Python module's Composition) reaches it through this.
    friend struct SceneAccess;
};

} // namespace patternlens
