#include "app/renderscheduler.h"

#include "layers/renderable.h"
#include "layers/workerpool.h"

#include <utility>

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
    stop.store(true, std::memory_order_relaxed);
    wake.notify_all();
    pthread_join(thread, nullptr);
    threadStarted = false;
    std::lock_guard<std::mutex> lock(mutex);
    if (job.tree) {   // handed over but never taken up
        job = Composition();
        ++tally.superseded;
    }
    inFlight = false;
    idle.notify_all();
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

bool RenderScheduler::render(Composition& composition, const std::atomic<bool>* stop, Picture& picture)
{
    Renderable& layer = *composition.tree;
    // The panel's statistics are gathered from the same values the pixels
    // are made of: no second evaluation, none on the main loop.
    layerstats::Accumulator values(layer.textureHeight);
    rowloop::Options options;
    options.stop = stop;
    if (!layer.fillPixels(options, &values)) return false;
    picture.stats = values.result();
    picture.width = layer.textureWidth;
    picture.height = layer.textureHeight;
    picture.pixels = std::move(layer.pixels);
    return true;
}

void RenderScheduler::renderLoop()
{
    for (;;) {
        Composition copy;
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [&] { return quitting || job.tree; });
            if (quitting) return;
            copy = std::move(job);
        }
        auto picture = std::make_unique<Picture>();
        const bool complete = render(copy, &stop, *picture);
        copy = Composition();   // the copy of a deep tree takes a while to destroy: not under the lock

        std::lock_guard<std::mutex> lock(mutex);
        // A stop that came after the last row still means a newer edit: the
        // picture is dropped either way, and the next poll starts over.
        if (complete && !stop.load(std::memory_order_relaxed)) {
            delivered = std::move(picture);
            ++tally.finished;
        } else {
            ++tally.superseded;
        }
        inFlight = false;
        idle.notify_all();
    }
}

bool RenderScheduler::poll(const CompositionView& current, Picture& shown)
{
    bool changed = false;
    bool rendering;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (delivered) {
            // Finished before any edit stopped it: the exact picture of a
            // state the user saw, worth showing even when a newer one follows.
            shown = std::move(*delivered);
            delivered.reset();
            changed = true;
        }
        rendering = inFlight;
    }
    if (!stale) return changed;
    if (rendering) {
        // Only one render at a time: the old one stops, and a later poll
        // starts the new one from the state the edits have reached by then.
        stop.store(true, std::memory_order_relaxed);
        return changed;
    }
    stale = false;
    Composition copy(current);
    if (!copy.tree) {
        shown = Picture{};
        return true;
    }
    if (!threadStarted && !quitting) startThread();
    if (!threadStarted) {
        // No thread to be had: render here rather than show nothing.
        render(copy, nullptr, shown);
        std::lock_guard<std::mutex> lock(mutex);
        ++tally.started;
        ++tally.finished;
        return true;
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        job = std::move(copy);
        inFlight = true;
        stop.store(false, std::memory_order_relaxed);
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
