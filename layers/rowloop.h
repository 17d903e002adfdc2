#pragma once
// The one loop that evaluates a layer over a rectangle of its pixels: the
// texture fill, the export's bands and the statistics all go through it and
// differ only in the sink that takes the values.
//
// Rows go through Renderable::pixelRow (the types' row fast paths), a run of
// at most Renderable::rowChunk pixels at a time, so the values are those of
// pixelValue bit for bit whichever way the work is shared out.
#include <atomic>
#include <cstddef>
#include <cstdint>

class Renderable;

namespace rowloop {

// Which pixels are evaluated. Pixel (c, r) of the area, 0 <= c < columns,
// 0 <= r < rows, is texture pixel (x0 + step * c, y0 + step * r), or
// (x0 + step * c, y0 - step * r) when downward (an image file shows the
// texture's last row first). A step above 1 evaluates every step-th pixel of
// the full-size texture, for a coarse picture shown as step x step blocks.
struct Area {
    int x0 = 0, y0 = 0;
    int columns = 0, rows = 0;
    int step = 1;
    bool downward = false;
};

// Every step-th pixel of layer's whole texture, from pixel (0, 0):
// ceil(width / step) x ceil(height / step) pixels.
Area wholeTexture(const Renderable& layer, int step = 1);

// Takes the values of the area's rows. take is called from the threads doing
// the work: every call for one row comes from one thread, its runs in column
// order, so a sink that writes each row to its own place needs no lock
// (unless the options let rows be shared out in pieces).
class Sink {
public:
    virtual ~Sink() = default;
    // values[k] is the value (inverse switch applied) of area pixel
    // (column + k, row); count is at most Renderable::rowChunk.
    virtual void take(int row, int column, int count, const float* values) = 0;
};

// The grey bytes the viewer shows (greyByte), area pixel (c, r) at
// out[r * rowBytes + c].
class GreyBytes : public Sink {
public:
    GreyBytes(std::uint8_t* out, std::size_t rowBytes) : out_(out), rowBytes_(rowBytes) {}
    void take(int row, int column, int count, const float* values) override;

private:
    std::uint8_t* out_;
    std::size_t rowBytes_;
};

// Hands every run to two sinks, first then second.
class BothSinks : public Sink {
public:
    BothSinks(Sink& first, Sink& second) : first_(first), second_(second) {}
    void take(int row, int column, int count, const float* values) override;

private:
    Sink& first_;
    Sink& second_;
};

enum class Threads {
    pool,         // the rows shared out in bands on the process-wide worker pool
    caller,       // the calling thread alone (a background preview that must not crowd the pool)
    background,   // the pool while no render of the drawing area wants it (an export)
};

struct Options {
    Threads threads = Threads::pool;
    // Read before every run of pixels: once set, the loop gives up and
    // returns false, the sink's picture left partly made. A render that a
    // newer edit has made pointless ends at once this way, however wide its
    // rows; a background job passes its cancel token's flag
    // (backgroundrunner.h).
    const std::atomic<bool>* stop = nullptr;
    // The sink writes every run to a place of its own, so the runs of one
    // row may come from several threads at once: rows too few to share out
    // (an image of one very wide row) are then shared out in pieces of
    // columns.
    bool rowsInPieces = false;
};

// Runs task(context, i) once for every i in [0, count), on the threads named
// and at their priority, as evaluate shares out its bands: for the work
// beside the values that is part of the same job (an encoder's compression,
// the colours of a normal map or a ramp).
void share(int count, void (*task)(void* context, int index), void* context, Threads threads);

// Evaluates area of layer into sink. Evaluation only reads the layer tree, so
// the bands run concurrently; the thread that calls (and, with the pool, its
// workers) must have the deep stack of WorkerPool::startDeepStackThread or
// the main thread's for a deep composition. Returns false when stopped.
bool evaluate(const Renderable& layer, const Area& area, Sink& sink, const Options& options = {});

} // namespace rowloop
