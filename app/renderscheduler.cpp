#include "app/renderscheduler.h"

#include "layers/viewpicture.h"

#include "app/viewresize.h"
#include "layers/renderable.h"
#include "layers/rowkernels.h"
#include "layers/rowloop.h"
#include "layers/workerpool.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

double RenderScheduler::steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

RenderScheduler::~RenderScheduler()
{
    shutDown();
}

void RenderScheduler::shutDown()
{
    if (!threadStarted) return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        quitting = true;
    }
    stopAll.store(true, std::memory_order_relaxed);
    newer.store(true, std::memory_order_relaxed);
    wake.notify_all();
    pthread_join(thread, nullptr);
    threadStarted = false;
    planes.clear();
    std::lock_guard<std::mutex> lock(mutex);
    if (job.copy.tree) {   // handed over but never taken up
        job = Job();
        ++tally.superseded;
    }
    inFlight = false;
    idle.notify_all();
}

void RenderScheduler::markStale()
{
    stale = true;
    pace.edited(clock());
}

void RenderScheduler::startThread()
{
    // A pixel of a deep composition recurses once per layer, on this thread
    // as on the pool's workers: it gets their stack size.
    threadStarted = WorkerPool::startDeepStackThread(&thread, &RenderScheduler::threadMain, this);
}

void* RenderScheduler::threadMain(void* scheduler)
{
    static_cast<RenderScheduler*>(scheduler)->renderLoop();
    return nullptr;
}

namespace {
// A coarse picture's bytes: area pixel (c, r) of a step-k area fills the
// k x k block of texture pixels from (k c, k r), clipped at the edges. Each
// area row writes its own rows of blocks, so the rows need no lock.
class Blocks : public rowloop::Sink {
public:
    Blocks(std::uint8_t* out, int width, int height, int step) : out(out), width(width), height(height), step(step) {}
    void take(int row, int column, int count, const float* values) override
    {
        std::uint8_t grey[Renderable::rowChunk];
        rowkernels::greyBytes(values, count, grey);
        const int y0 = row * step;
        const int x0 = column * step;
        const int x1 = std::min(width, (column + count) * step);
        std::uint8_t* first = out + static_cast<std::size_t>(y0) * width;
        for (int x = x0; x < x1; ++x) first[x] = grey[(x - x0) / step];
        for (int y = y0 + 1; y < std::min(height, y0 + step); ++y)
            std::memcpy(out + static_cast<std::size_t>(y) * width + x0, first + x0, static_cast<std::size_t>(x1 - x0));
    }

private:
    std::uint8_t* out;
    int width, height, step;
};
} // namespace

bool RenderScheduler::render(Composition& composition, int step, const std::atomic<bool>* stop, Picture& picture)
{
    Renderable& layer = *composition.tree;
    rowloop::Options options;
    options.stop = stop;
    const bool viewed = composition.settings.viewAs.kind != ViewAs::Kind::grey;
    std::vector<float> shownValues;
    if (step > 1) {
        // Every step-th pixel of the full-size texture, each shown as a
        // block: the exact picture's pixels, fewer of them. No statistics:
        // the panel shows only those of exact pictures.
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(layer.textureWidth) *
                                         static_cast<std::size_t>(std::max(layer.textureHeight, 0)));
        Blocks blocks(pixels.data(), layer.textureWidth, layer.textureHeight, step);
        viewpicture::Values kept(viewed ? layer.textureWidth : 0, layer.textureHeight, step);
        rowloop::BothSinks both(blocks, kept);
        rowloop::Sink& sink = viewed ? static_cast<rowloop::Sink&>(both) : blocks;
        if (!rowloop::evaluate(layer, rowloop::wholeTexture(layer, step), sink, options)) return false;
        picture.pixels = std::move(pixels);
        shownValues = std::move(kept.values);
    } else {
        // The panel's statistics are gathered from the same values the
        // pixels are made of: no second evaluation, none on the main loop.
        layerstats::Accumulator values(layer.textureHeight);
        viewpicture::Values kept(viewed ? layer.textureWidth : 0, layer.textureHeight);
        rowloop::BothSinks both(values, kept);
        if (!layer.fillPixels(options, viewed ? static_cast<rowloop::Sink*>(&both) : &values)) return false;
        picture.stats = values.result();
        picture.pixels = std::move(layer.pixels);
        shownValues = std::move(kept.values);
    }
    // The view changes what is shown, never the values or their statistics.
    picture.shown = viewpicture::colours(shownValues, layer.textureWidth, layer.textureHeight,
                                         composition.settings.viewAs, layer.seamless);
    picture.width = layer.textureWidth;
    picture.height = layer.textureHeight;
    picture.step = step;
    return true;
}

void RenderScheduler::deliver(std::unique_ptr<Picture> picture)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (picture->step > 1) ++tally.coarse;
    delivered = std::move(picture);
}

bool RenderScheduler::renderJob(Job& job)
{
    Renderable& layer = *job.copy.tree;
    unsigned driven = 0;
    for (int i = 0; i < layer.variableCount; ++i)
        if (layer.variables[i].inputLayer) driven |= 1u << i;
    const unsigned key = RenderCost::key(driven, planes.attach(job.copy));
    const int width = layer.textureWidth;
    const int height = layer.textureHeight;

    const int step = job.quickSeries ? cost.step(key, width, height) : 1;
    if (step == 1) {
        std::lock_guard<std::mutex> lock(mutex);
        coarsePhase = false;
    } else {
        auto picture = std::make_unique<Picture>();
        const double start = clock();
        const bool complete = render(job.copy, step, &stopAll, *picture);
        cost.measured(key, step, width, height, clock() - start, complete);
        {
            std::lock_guard<std::mutex> lock(mutex);
            coarsePhase = false;
        }
        if (!complete) return false;
        deliver(std::move(picture));
        // A newer state is waiting: its render comes next, not this one's
        // exact picture.
        if (newer.load(std::memory_order_relaxed)) return false;
    }

    auto picture = std::make_unique<Picture>();
    const double start = clock();
    const bool complete = render(job.copy, 1, &newer, *picture);
    cost.measured(key, 1, width, height, clock() - start, complete);
    // A stop that came after the last row still means a newer edit: the
    // picture is dropped either way, and the next poll starts over.
    if (!complete || newer.load(std::memory_order_relaxed)) return false;
    deliver(std::move(picture));
    return true;
}

void RenderScheduler::renderLoop()
{
    for (;;) {
        Job next;
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [&] { return quitting || job.copy.tree; });
            if (quitting) return;
            next = std::move(job);
            job = Job();
        }
        const bool exact = renderJob(next);
        // The planes keep values of this copy's inputs; the copy it replaces
        // takes a while to destroy when deep: not under the lock.
        Composition old = planes.keep(std::move(next.copy));
        old = Composition();

        std::lock_guard<std::mutex> lock(mutex);
        if (exact) ++tally.finished;
        else ++tally.superseded;
        inFlight = false;
        idle.notify_all();
    }
}

bool RenderScheduler::poll(const CompositionView& current, Picture& shown, int width, int height)
{
    bool changed = false;
    bool rendering;
    bool coarse;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (delivered) {
            // Finished before any edit stopped it: a picture of a state the
            // user saw, worth showing even when a newer one follows.
            shown = std::move(*delivered);
            delivered.reset();
            changed = true;
        }
        rendering = inFlight;
        coarse = coarsePhase;
    }
    if (!stale) return changed;
    const double now = clock();
    if (rendering) {
        // Only one render at a time. An exact one stops; a coarse one runs
        // on to its picture unless the input rests, when the exact picture
        // of the newest state is all that is wanted. A later poll starts the
        // render of the state the edits have reached by then.
        newer.store(true, std::memory_order_relaxed);
        if (!coarse || pace.resting(now)) stopAll.store(true, std::memory_order_relaxed);
        return changed;
    }
    stale = false;
    Composition copy(current);
    if (!copy.tree) {
        shown = Picture{};
        return true;
    }
    if (width > 0 && height > 0 && (width != copy.tree->textureWidth || height != copy.tree->textureHeight))
        viewresize::resizeKeepingView(*copy.tree, width, height);
    if (!threadStarted && !quitting) startThread();
    if (!threadStarted) {
        // No thread to be had: render here rather than show nothing.
        shown = Picture{};
        render(copy, 1, nullptr, shown);
        std::lock_guard<std::mutex> lock(mutex);
        ++tally.started;
        ++tally.finished;
        return true;
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        job.copy = std::move(copy);
        job.quickSeries = pace.quickSeries(now);
        inFlight = true;
        // Until the render thread has chosen its step, an edit lets the
        // render run on: it may yet be a coarse one.
        coarsePhase = job.quickSeries;
        newer.store(false, std::memory_order_relaxed);
        stopAll.store(false, std::memory_order_relaxed);
        ++tally.started;
    }
    wake.notify_one();
    return changed;
}

bool RenderScheduler::pending() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return stale || inFlight || delivered;
}

RenderScheduler::Counts RenderScheduler::counts() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return tally;
}

void RenderScheduler::waitWhileRendering()
{
    std::unique_lock<std::mutex> lock(mutex);
    idle.wait(lock, [&] { return !inFlight; });
}
