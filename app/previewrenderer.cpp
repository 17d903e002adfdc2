#include "app/previewrenderer.h"

#include "app/layertree.h"
#include "app/viewresize.h"
#include "layers/renderable.h"
#include "layers/rowloop.h"
#include "layers/workerpool.h"

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
    {
        std::lock_guard<std::mutex> lock(mutex);
        quitting = true;
        stopFlag.store(true, std::memory_order_relaxed);
    }
    wake.notify_all();
    if (threadStarted) pthread_join(thread, nullptr);
    threadStarted = false;
    std::unique_ptr<Renderable> dropped;
    std::lock_guard<std::mutex> lock(mutex);
    dropped = std::move(incoming);
    wanted.clear();
    delivered.clear();
    working = false;
    idle.notify_all();
}

void PreviewRenderer::start(std::unique_ptr<Renderable> composition, int width, int height)
{
    std::unique_ptr<Renderable> replaced;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (quitting) return;
        replaced = std::move(incoming);
        incoming = std::move(composition);
        incomingWidth = width;
        incomingHeight = height;
        ++latest;
        wanted.clear();
        delivered.clear();
        stopFlag.store(true, std::memory_order_relaxed);
    }
    if (!threadStarted) threadStarted = WorkerPool::startDeepStackThread(&thread, &PreviewRenderer::threadMain, this);
    wake.notify_one();
}

void PreviewRenderer::stop()
{
    std::unique_ptr<Renderable> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex);
        dropped = std::move(incoming);
        ++latest;
        wanted.clear();
        delivered.clear();
        stopFlag.store(true, std::memory_order_relaxed);
    }
    wake.notify_one();   // the thread lets go of its copy
}

void PreviewRenderer::want(std::vector<int> rows)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        wanted = std::move(rows);
    }
    wake.notify_one();
}

std::vector<PreviewRenderer::Preview> PreviewRenderer::take()
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<Preview> out;
    out.swap(delivered);
    return out;
}

bool PreviewRenderer::busy() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return working || workToDo() || !delivered.empty();
}

bool PreviewRenderer::workToDo() const
{
    return incoming || (held != 0 && held != latest) || (held == latest && held != 0 && !wanted.empty());
}

void PreviewRenderer::waitUntilIdle()
{
    std::unique_lock<std::mutex> lock(mutex);
    idle.wait(lock, [&] { return !threadStarted || quitting || (!working && !workToDo()); });
}

void* PreviewRenderer::threadMain(void* renderer)
{
    lowerOwnPriority();
    static_cast<PreviewRenderer*>(renderer)->run();
    return nullptr;
}

void PreviewRenderer::run()
{
    std::unique_ptr<Renderable> copy;   // the copy held, whose generation is held
    std::vector<Renderable*> layers;    // its layers in tree order, at the preview size
    std::vector<bool> done;
    for (;;) {
        std::unique_ptr<Renderable> old;
        std::unique_ptr<Renderable> fresh;
        int width = 0, height = 0;
        int row = -1;
        {
            std::unique_lock<std::mutex> lock(mutex);
            working = false;
            idle.notify_all();
            wake.wait(lock, [&] { return quitting || workToDo(); });
            if (quitting) return;
            working = true;
            if (incoming) {
                fresh = std::move(incoming);
                width = incomingWidth;
                height = incomingHeight;
                held = latest;
                old = std::move(copy);
            } else if (held != latest) {
                old = std::move(copy);   // stale: let it go
                held = 0;
            } else {
                while (!wanted.empty() && row < 0) {
                    const int r = wanted.front();
                    wanted.erase(wanted.begin());
                    if (r >= 0 && r < static_cast<int>(layers.size()) && !done[static_cast<std::size_t>(r)]) row = r;
                }
                stopFlag.store(false, std::memory_order_relaxed);
            }
        }
        // A deep copy takes a while to make ready and to destroy: never
        // under the lock.
        old.reset();
        if (fresh) {
            layers.clear();
            viewresize::resizeKeepingView(*fresh, width, height);
            for (const layertree::Row& r : layertree::rows(fresh.get())) layers.push_back(r.layer);
            done.assign(layers.size(), false);
            copy = std::move(fresh);
            continue;
        }
        if (row < 0) continue;
        const Renderable& layer = *layers[static_cast<std::size_t>(row)];
        Preview preview;
        preview.row = row;
        preview.width = layer.textureWidth;
        preview.height = layer.textureHeight;
        preview.pixels.assign(static_cast<std::size_t>(preview.width) * static_cast<std::size_t>(preview.height), 0);
        // This thread alone: the pool belongs to the drawing area's render.
        rowloop::GreyBytes bytes(preview.pixels.data(), static_cast<std::size_t>(preview.width));
        rowloop::Options options;
        options.threads = rowloop::Threads::caller;
        options.stop = &stopFlag;
        const bool complete = rowloop::evaluate(layer, rowloop::wholeTexture(layer), bytes, options);
        std::lock_guard<std::mutex> lock(mutex);
        if (complete && held == latest && !stopFlag.load(std::memory_order_relaxed)) {
            done[static_cast<std::size_t>(row)] = true;
            delivered.push_back(std::move(preview));
        }
    }
}
