#include "layers/rowloop.h"

#include "layers/renderable.h"
#include "layers/rowkernels.h"
#include "layers/workerpool.h"

#include <algorithm>

namespace rowloop {

namespace {

// Below this many pixels waking the workers costs more than it saves.
constexpr long long minSharedPixels = 16384;

// Pieces of a row shared out are at least this many pixels.
constexpr int minPieceColumns = 16 * Renderable::rowChunk;

// A task is a band of rowsPerBand rows, or, with rows in pieces, the
// columns [first, first + columnsPerPiece) of one row.
struct Run {
    const Renderable& layer;
    const Area& area;
    Sink& sink;
    const Options& options;
    int rowsPerBand;
    int piecesPerRow;
    int columnsPerPiece;

    bool stopped() const { return options.stop && options.stop->load(std::memory_order_relaxed); }

    void evaluateRow(int r, int first, int end, float* values) const
    {
        const int y = area.downward ? area.y0 - area.step * r : area.y0 + area.step * r;
        for (int c = first; c < end && !stopped(); c += Renderable::rowChunk) {
            const int count = std::min(Renderable::rowChunk, end - c);
            layer.pixelRow(y, area.x0 + area.step * c, count, values, area.step);
            sink.take(r, c, count, values);
        }
    }

    void evaluateTask(int task)
    {
        float values[Renderable::rowChunk];
        if (piecesPerRow > 1) {
            const int first = task % piecesPerRow * columnsPerPiece;
            evaluateRow(task / piecesPerRow, first, std::min(first + columnsPerPiece, area.columns), values);
            return;
        }
        const int first = task * rowsPerBand;
        const int end = std::min(first + rowsPerBand, area.rows);
        for (int r = first; r < end && !stopped(); ++r) evaluateRow(r, 0, area.columns, values);
    }
};

int steps(int extent, int step)
{
    return extent > 0 ? (extent - 1) / step + 1 : 0;
}

} // namespace

Area wholeTexture(const Renderable& layer, int step)
{
    step = std::max(step, 1);
    return Area{0, 0, steps(layer.textureWidth, step), steps(layer.textureHeight, step), step, false};
}

void GreyBytes::take(int row, int column, int count, const float* values)
{
    rowkernels::greyBytes(values, count, out_ + static_cast<std::size_t>(row) * rowBytes_ + column);
}

void BothSinks::take(int row, int column, int count, const float* values)
{
    first_.take(row, column, count, values);
    second_.take(row, column, count, values);
}

void share(int count, void (*task)(void* context, int index), void* context, Threads threads)
{
    if (threads == Threads::caller) {
        for (int i = 0; i < count; ++i) task(context, i);
        return;
    }
    WorkerPool::instance().run(count, task, context,
                               threads == Threads::background ? WorkerPool::Priority::background
                                                              : WorkerPool::Priority::foreground);
}

bool evaluate(const Renderable& layer, const Area& area, Sink& sink, const Options& options)
{
    if (area.columns <= 0 || area.rows <= 0 || area.step < 1) return true;
    WorkerPool& pool = WorkerPool::instance();
    const bool shared = options.threads != Threads::caller && pool.threadCount() > 1 &&
                        static_cast<long long>(area.columns) * area.rows >= minSharedPixels;
    // Several bands per thread, taken in turn, even out the threads when one
    // part of the picture costs more than another, and let a background run
    // hand the pool back soon after a render of the drawing area asks.
    const int wantedBands = pool.threadCount() * 8;
    Run run{layer, area, sink, options, (area.rows + wantedBands - 1) / wantedBands, 1, area.columns};
    // Rows too few for the bands wanted are cut into pieces, where the sink
    // allows it.
    if (options.rowsInPieces && shared && area.rows < wantedBands) {
        const int wantedPieces = (wantedBands + area.rows - 1) / area.rows;
        run.piecesPerRow = std::max(1, std::min(wantedPieces, area.columns / minPieceColumns));
        run.columnsPerPiece = (area.columns + run.piecesPerRow - 1) / run.piecesPerRow;
    }
    const int taskCount = run.piecesPerRow > 1 ? area.rows * run.piecesPerRow
                                               : (area.rows + run.rowsPerBand - 1) / run.rowsPerBand;
    if (shared) {
        share(taskCount, [](void* context, int task) { static_cast<Run*>(context)->evaluateTask(task); }, &run,
              options.threads);
    } else {
        for (int task = 0; task < taskCount && !run.stopped(); ++task) run.evaluateTask(task);
    }
    return !run.stopped();
}

} // namespace rowloop
