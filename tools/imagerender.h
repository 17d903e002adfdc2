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
#include "layers/rowloop.h"
#include "tools/imageencoder.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

class Renderable;

namespace imagewriter {

// A rectangle of the image, in pixels, row 0 at the top.
struct Region {
    int x = 0, y = 0, width = 0, height = 0;
};

struct RenderOptions {
    // 8: the grey byte the viewer shows (low 8 bits of value x 255, so values
    // outside [0, 1] wrap). 16: round(value x 65535) with the value clamped
    // to [0, 1] and NaN taken as 0.
    int depth = 8;
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
};

// The 16-bit sample of a layer value.
std::uint16_t sample16(float value);

// Why a region cannot be taken from an image of width x height, or an empty
// string when it can.
std::string regionError(const Region& region, int width, int height);

// Renders layer, whose texture size is the whole image's, to path in the
// format its name asks for (PGM for ".pgm", else PNG), atomically: a failure
// (a full disk, an unwritable folder, a cancelled render) leaves any previous
// file as it was and no partial file behind. Returns an empty string on
// success, else the reason.
std::string renderToFile(const Renderable& layer, const std::string& path, const RenderOptions& options);
// The same into an open file.
std::string renderToStream(const Renderable& layer, Format format, std::FILE* file, const RenderOptions& options);

} // namespace imagewriter
