#include "app/picture/renderscheduler.h"

#include "layers/viewpicture.h"

#include "layers/viewresize.h"
#include "layers/renderable.h"
#include "layers/rowkernels.h"
#include "layers/rowloop.h"

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
    quitting = true;
    shared->newer.store(true, std::memory_order_relaxed);
    runner.shutDown();
    Shared& s = *shared;
    s.planes.clear();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.inFlight) {   // handed over but never taken up
        s.inFlight = false;
        ++s.tally.superseded;
    }
    s.idle.notify_all();
}

void RenderScheduler::markStale()
{
    stale = true;
    pace.edited(clock());
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
        // block: the full picture's pixels, fewer of them. No statistics:
        // the panel shows only those of full pictures.
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
                                         composition.settings.viewAs, composition.settings.seamless);
    picture.width = layer.textureWidth;
    picture.height = layer.textureHeight;
    picture.step = step;
    return true;
}

void RenderScheduler::deliver(Shared& shared, std::unique_ptr<Picture> picture)
{
    std::lock_guard<std::mutex> lock(shared.mutex);
    if (picture->step > 1) ++shared.tally.coarse;
    shared.delivered = std::move(picture);
}

bool RenderScheduler::renderJob(Shared& shared, Job& job, const BackgroundRunner::CancelToken& token)
{
    Renderable& layer = *job.copy.tree;
    unsigned driven = 0;
    for (int i = 0; i < layer.variableCount; ++i)
        if (layer.variables[i].inputLayer) driven |= 1u << i;
    const unsigned key = RenderCost::key(driven, shared.planes.attach(job.copy));
    const int width = layer.textureWidth;
    const int height = layer.textureHeight;

    // Ends the coarse phase. From then on an edit cancels the job, and
    // stops the full render with it; an edit made before is seen here, under
    // the same lock as the phase the poll read: a newer state is waiting,
    // and its render comes next, not this one's full picture.
    const auto fullPictureWanted = [&shared] {
        std::lock_guard<std::mutex> lock(shared.mutex);
        shared.coarsePhase = false;
        return !shared.newer.load(std::memory_order_relaxed);
    };
    const int step = job.quickSeries ? shared.cost.step(key, width, height) : 1;
    if (step == 1) {
        if (!fullPictureWanted()) return false;
    } else {
        auto picture = std::make_unique<Picture>();
        const double start = shared.clock();
        const bool complete = render(job.copy, step, token.stopFlag(), *picture);
        shared.cost.measured(key, step, width, height, shared.clock() - start, complete);
        const bool wanted = fullPictureWanted();
        if (!complete) return false;
        deliver(shared, std::move(picture));
        if (!wanted) return false;
    }

    auto picture = std::make_unique<Picture>();
    const double start = shared.clock();
    const bool complete = render(job.copy, 1, token.stopFlag(), *picture);
    shared.cost.measured(key, 1, width, height, shared.clock() - start, complete);
    // A stop that came after the last row still means a newer edit: the
    // picture is dropped either way, and the next poll starts over.
    if (!complete || shared.newer.load(std::memory_order_relaxed) || token.cancelled()) return false;
    deliver(shared, std::move(picture));
    return true;
}

void RenderScheduler::finish(Shared& shared, Job& job, bool full)
{
    // The planes keep values of this copy's inputs; the copy they replace
    // is destroyed here, on the render thread.
    Composition old = shared.planes.keep(std::move(job.copy));
    old = Composition();

    std::lock_guard<std::mutex> lock(shared.mutex);
    if (full) ++shared.tally.finished;
    else ++shared.tally.superseded;
    shared.inFlight = false;
    job.over = true;
    shared.idle.notify_all();
}

RenderScheduler::Job::~Job()
{
    if (!over && shared) {
        std::lock_guard<std::mutex> lock(shared->mutex);
        ++shared->tally.superseded;
        shared->inFlight = false;
        shared->idle.notify_all();
    }
}

void RenderScheduler::runJob(Job& job, const BackgroundRunner::CancelToken& token)
{
    finish(*job.shared, job, renderJob(*job.shared, job, token));
}

bool RenderScheduler::poll(const CompositionRef& current, Picture& shown, int width, int height)
{
    Shared& s = *shared;
    bool changed = false;
    bool rendering;
    bool coarse;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.delivered) {
            // Finished before any edit stopped it: a picture of a state the
            // user saw, worth showing even when a newer one follows.
            shown = std::move(*s.delivered);
            s.delivered.reset();
            changed = true;
        }
        rendering = s.inFlight;
        coarse = s.coarsePhase;
        // Read with the phase: the render thread ends the coarse phase
        // under this lock and then looks at it.
        if (stale && rendering) s.newer.store(true, std::memory_order_relaxed);
    }
    if (!stale) return changed;
    const double now = clock();
    if (rendering) {
        // Only one render at a time. A full one stops; a coarse one runs
        // on to its picture unless the input rests, when the full picture
        // of the newest state is all that is wanted. A later poll starts the
        // render of the state the edits have reached by then.
        if (!coarse || pace.resting(now)) runner.cancel();
        return changed;
    }
    stale = false;
    Composition copy(current);
    if (!copy.tree) {
        shown = Picture{};
        return true;
    }
    auto job = std::make_shared<Job>(shared);
    job->copy = std::move(copy);
    if (width > 0 && height > 0 && (width != job->copy.tree->textureWidth || height != job->copy.tree->textureHeight))
        viewresize::resizeKeepingView(*job->copy.tree, width, height);
    job->quickSeries = pace.quickSeries(now);
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.clock = clock;
        s.inFlight = true;
        // Until the render thread has chosen its step, an edit lets the
        // render run on: it may yet be a coarse one.
        s.coarsePhase = job->quickSeries;
        s.newer.store(false, std::memory_order_relaxed);
        ++s.tally.started;
    }
    if (!quitting && runner.submit([job](const BackgroundRunner::CancelToken& token) { runJob(*job, token); }))
        return changed;
    // No thread to be had: render here rather than show nothing.
    shown = Picture{};
    render(job->copy, 1, nullptr, shown);
    std::lock_guard<std::mutex> lock(s.mutex);
    s.inFlight = false;
    s.coarsePhase = false;
    ++s.tally.finished;
    job->over = true;
    return true;
}

bool RenderScheduler::pending() const
{
    std::lock_guard<std::mutex> lock(shared->mutex);
    return stale || shared->inFlight || shared->delivered;
}

