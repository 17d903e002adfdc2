#pragma once
// Rendering a layer straight into an image file, a band of rows at a time:
// the memory it takes depends on the image's width, never on its height, so
// exports may be far larger than the memory. Used by patternlens-render and
// by the viewer's export; it prints nothing.
//
// The picture is the one the viewer shows: the file's top row is the
// texture's last row. The layer's texture size is the size of the whole
// image and decides its mapping; a region picks a rectangle of that image,
// so that tiles rendered apart and laid side by side give the whole image,
// byte for byte.
#include "layers/viewas.h"
#include "layers/rowloop.h"
#include "imageoutput/imageencoder.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Renderable;

namespace imagewriter {

// A rectangle of the image, in pixels, row 0 at the top.
struct Region {
    int x = 0, y = 0, width = 0, height = 0;
};

struct RenderOptions {
    // 8: the grey byte the viewer shows (low 8 bits of value x 255, so values
    // outside [0, 1] wrap). 16: round(value x 65535) with the value clamped
    // to [0, 1] and NaN taken as 0, the only depth of a Raw heightmap. 32:
    // the values themselves as floats (EXR and TIFF only); 16 in an EXR is
    // the values as halves.
    int depth = 8;
    // What a PNG shows of the values: grey, their normal map (neighbours
    // across the whole image; across its edges too when the layer is
    // seamless) or their colours through a ramp, RGB of depth 8 or 16.
    ViewAs view;
    // All zero, as made: the whole image.
    Region region;
    // Called on the calling thread after each band with the rows written so
    // far and the rows of the output; returning false stops the render,
    // which then fails with "cancelled" and leaves no file.
    std::function<bool(long long doneRows, long long totalRows)> progress;
    // Read before every row: once set, the render stops within a row and
    // fails with "cancelled" like a progress call that returned false.
    const std::atomic<bool>* stop = nullptr;
    // The threads the rows are evaluated on (rowloop.h): the viewer's export
    // runs in the background, behind the drawing area's render.
    rowloop::Threads threads = rowloop::Threads::pool;
    // The bytes of pixels evaluated and encoded at a time, a band of rows
    // (or, for a row wider than that, a part of one row): 0 for about a MiB
    // for each processor, at most 32 MiB.
    std::size_t bandBytes = 0;
    // A shader (Glsl) in GLSL ES 3.00 rather than GLSL 3.30 core.
    bool es = false;
    // The scene's file name, which a shader's header and a page's title
    // name; empty: none.
    std::string sceneName;
};

// The samples of an image rendered into memory, in the machine's byte order.
enum class Samples {
    grey8,     // the bytes of a depth-8 file
    uint16,    // the values of a depth-16 file
    float32,   // the layer's values themselves, before any rounding or clamping
};

// The 16-bit sample of a layer value.
std::uint16_t sample16(float value);

// Why options cannot be written in format, or an empty string when they can.
std::string optionsError(Format format, const RenderOptions& options);

// The bytes of a pixel as options write it in format, before compression:
// its samples (three for a normal map or a ramp) times their bytes; 0 for a
// shader or a page, which hold no pixels.
int bytesPerPixel(Format format, const RenderOptions& options);

// Why a region cannot be taken from an image of width x height, or an empty
// string when it can.
std::string regionError(const Region& region, int width, int height);

// Renders the region of layer's image (all zero: the whole image) into
// memory the caller owns: row r of the region at out + r * rowBytes, the
// image's top row first, as the files show it. Nothing of image size is
// allocated beside it, so a caller's array is filled in place. The rows are
// shared out on the worker pool; the calling thread needs the deep stack a
// deep tree needs (WorkerPool::runOnDeepStack). Once stop (if given) is set,
// the render ends within a row and fails with "cancelled", the memory partly
// filled. Returns an empty string on success, else the reason.
std::string renderToMemory(const Renderable& layer, Samples samples, void* out, std::size_t rowBytes,
                           const Region& region = Region(), const std::atomic<bool>* stop = nullptr);

// Renders layer, whose texture size is the whole image's, to path in the
// format its name asks for (formatFor), atomically. A shader or a page holds
// the whole picture (no region) and its depth is none: writing one is no
// render. a failure
// (a full disk, an unwritable folder, a cancelled render) leaves any previous
// file as it was and no partial file behind. Returns an empty string on
// success, else the reason.
std::string renderToFile(const Renderable& layer, const std::string& path, const RenderOptions& options);
// The same into an open file.
std::string renderToStream(const Renderable& layer, Format format, std::FILE* file, const RenderOptions& options);

// One channel of a packed image: a layer's picture (the samples a grey
// image of it holds), or with no layer a constant, 0 or full white.
struct Channel {
    const Renderable* layer = nullptr;
    bool white = false;
};

// Why channels cannot be packed into format at options' depth, or an empty
// string: 3 or 4 channels (RGB, RGBA) whose layers have one texture size,
// a PNG or a TIFF of 8 or 16 bits.
std::string packError(Format format, const std::vector<Channel>& channels, const RenderOptions& options);

// The channels packed into one RGB or RGBA image at path (a PNG or a TIFF),
// each channel sample what a grey image of its layer holds at that depth:
// the masks game materials read. Atomic, a band at a time, with options'
// region, progress and stop, as renderToFile.
std::string renderPackedToFile(const std::vector<Channel>& channels, const std::string& path,
                               const RenderOptions& options);
// The same into memory the caller owns, the channels interleaved: pixel
// (c, r) of the region at out + r * rowBytes + c * channels * sizeof(sample).
// Samples::float32 gives the values themselves (a constant is 0 or 1).
std::string renderPackedToMemory(const std::vector<Channel>& channels, Samples samples, void* out,
                                 std::size_t rowBytes, const Region& region = Region(),
                                 const std::atomic<bool>* stop = nullptr);

} // namespace imagewriter
