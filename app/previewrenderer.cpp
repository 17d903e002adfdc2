#include "app/previewrenderer.h"

#include "app/layertree.h"
#include "app/viewresize.h"
#include "layers/renderable.h"
#include "layers/rowloop.h"
#include "layers/workerpool.h"

#include <algorithm>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <utility>

namespace {

// The previews only ever use time no one else wants: the idle class where
// the system has it, else the lowest nice value for this thread alone.
void lowerOwnPriority()
{
#ifdef SCHED_IDLE
    sched_param param{};
    if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) == 0) return;
#endif
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
}

} // namespace

PreviewRenderer::~PreviewRenderer()
{
    shutDown();
}

void PreviewRenderer::shutDown()
{
    stopFlag.store(true);
    {
        std::lock_guard<std::mutex> lock(mutex);
        quitting = true;
    }
    wake.notify_all();
    if (threadStarted) pthread_join(thread, nullptr);
    threadStarted = false;
    copyToHandOver = rowsToHandOver = false;
    threadBusy.store(false);
}

void PreviewRenderer::start(Composition composition, int width, int height)
{
    stop();
    outCopy = std::move(composition);
    outWidth = width;
    outHeight = height;
    copyToHandOver = true;
    if (!threadStarted) threadStarted = WorkerPool::startDeepStackThread(&thread, &PreviewRenderer::threadMain, this);
    handOver();
}

void PreviewRenderer::stop()
{
    latest.store(++generation);
    stopFlag.store(true);
    outRows.clear();
    rowsToHandOver = true;   // none: the thread's list of the old copy goes
    handOver();
}

void PreviewRenderer::want(std::vector<int> rows)
{
    outRows = std::move(rows);
    rowsToHandOver = true;
    handOver();
}

void PreviewRenderer::handOver()
{
    if (!copyToHandOver && !rowsToHandOver) return;
    std::unique_lock<std::mutex> lock(mutex, std::try_to_lock);
    if (!lock.owns_lock()) return;   // the next call tries again
    if (quitting) return;
    if (incoming.tree && (copyToHandOver || incomingGeneration != generation)) discarded.push_back(std::move(incoming));
    if (copyToHandOver) {
        if (outCopy.tree) {
            incoming = std::move(outCopy);
            incomingWidth = outWidth;
            incomingHeight = outHeight;
            incomingGeneration = generation;
        }
        copyToHandOver = false;
    }
    if (rowsToHandOver) {
        wanted = outRows;
        wantedGeneration = generation;
        rowsToHandOver = false;
        // The row picked last is the one in progress until the thread picks
        // again, which it does only under this lock.
        if (rowInProgress >= 0 && std::find(wanted.begin(), wanted.end(), rowInProgress) == wanted.end())
            stopFlag.store(true);
    }
    threadBusy.store(true);
    lock.unlock();
    wake.notify_one();
}

std::vector<PreviewRenderer::Preview> PreviewRenderer::take()
{
    handOver();
    std::vector<Preview> out;
    if (!hasDelivered.load()) return out;
    std::unique_lock<std::mutex> lock(mutex, std::try_to_lock);
    if (!lock.owns_lock()) return out;
    out.swap(delivered);
    hasDelivered.store(false);
    lock.unlock();
    std::vector<Preview> current;
    for (Preview& p : out)
        if (p.generation == generation) current.push_back(std::move(p));
    return current;
}

bool PreviewRenderer::busy() const
{
    return copyToHandOver || rowsToHandOver || threadBusy.load() || hasDelivered.load();
}

bool PreviewRenderer::workToDo() const
{
    const unsigned now = latest.load();
    return incoming.tree || !discarded.empty() || (held.tree && heldGeneration != now) ||
           (held.tree && heldGeneration == now && wantedGeneration == now && !wanted.empty());
}

void* PreviewRenderer::threadMain(void* renderer)
{
    lowerOwnPriority();
    static_cast<PreviewRenderer*>(renderer)->run();
    return nullptr;
}

void PreviewRenderer::run()
{
    for (;;) {
        std::vector<Composition> old;
        Composition fresh;
        int width = 0, height = 0;
        int row = -1;
        {
            std::unique_lock<std::mutex> lock(mutex);
            rowInProgress = -1;
            // Every hand-over marks the thread busy, also one that leaves
            // it nothing to do: each wake-up without work says it is idle.
            while (!quitting && !workToDo()) {
                threadBusy.store(false);
                wake.wait(lock);
            }
            if (quitting) return;
            old.swap(discarded);
            if (incoming.tree) {
                fresh = std::move(incoming);
                width = incomingWidth;
                height = incomingHeight;
                heldGeneration = incomingGeneration;
                old.push_back(std::move(held));
            } else if (held.tree && heldGeneration != latest.load()) {
                old.push_back(std::move(held));   // stale: let it go
                heldLayers.clear();
            } else if (held.tree) {
                while (!wanted.empty() && row < 0) {
                    const int r = wanted.front();
                    wanted.erase(wanted.begin());
                    if (r >= 0 && r < static_cast<int>(heldLayers.size()) && !heldDone[static_cast<std::size_t>(r)])
                        row = r;
                }
                if (row >= 0) stopFlag.store(false);
                rowInProgress = row;
            }
        }
        // A deep copy takes a while to make ready and to destroy: never
        // under the lock.
        old.clear();
        if (fresh.tree) {
            viewresize::resizeKeepingView(*fresh.tree, width, height);
            heldLayers.clear();
            for (const layertree::Row& r : layertree::rows(fresh.tree.get())) heldLayers.push_back(r.layer);
            heldDone.assign(heldLayers.size(), false);
            held = std::move(fresh);
            continue;
        }
        if (row < 0) continue;
        // A stop may have come between the pick and the flag's reset.
        if (heldGeneration != latest.load()) continue;

        const Renderable& layer = *heldLayers[static_cast<std::size_t>(row)];
        Preview preview;
        preview.row = row;
        preview.width = layer.textureWidth;
        preview.height = layer.textureHeight;
        preview.generation = heldGeneration;
        preview.pixels.assign(static_cast<std::size_t>(preview.width) * static_cast<std::size_t>(preview.height), 0);
        // This thread alone: the pool belongs to the drawing area's render.
        rowloop::GreyBytes bytes(preview.pixels.data(), static_cast<std::size_t>(preview.width));
        rowloop::Options options;
        options.threads = rowloop::Threads::caller;
        options.stop = &stopFlag;
        if (!rowloop::evaluate(layer, rowloop::wholeTexture(layer), bytes, options)) continue;
        if (heldGeneration != latest.load()) continue;
        heldDone[static_cast<std::size_t>(row)] = true;
        std::lock_guard<std::mutex> lock(mutex);
        delivered.push_back(std::move(preview));
        hasDelivered.store(true);
    }
}
