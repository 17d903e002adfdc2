#include "layers/workerpool.h"

#include <chrono>
#include <exception>
#include <thread>

namespace {
// Set on the workers and on a caller while its run lasts: a run asked for
// from inside a task is done on the spot (waiting for the pool would wait
// for itself).
thread_local bool insideRun = false;
// Set on the threads that have the deep stack already: the workers and the
// threads of runOnDeepStack, which then runs work on the spot.
thread_local bool onDeepStack = false;
} // namespace

WorkerPool& WorkerPool::instance()
{
    static WorkerPool pool(static_cast<int>(std::thread::hardware_concurrency()) - 1);
    return pool;
}

WorkerPool::WorkerPool(int count) : workerCount(count > 0 ? count : 0) {}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        stopping = true;
    }
    wake.notify_all();
    for (pthread_t t : threads) pthread_join(t, nullptr);
}

bool WorkerPool::startDeepStackThread(pthread_t* thread, void* (*main)(void*), void* argument)
{
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, workerStackBytes);
    const bool started = pthread_create(thread, &attributes, main, argument) == 0;
    pthread_attr_destroy(&attributes);
    return started;
}

namespace {
struct DeepStackWork {
    const std::function<void()>* work;
    std::exception_ptr failure;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
};
} // namespace

bool WorkerPool::runOnDeepStack(const std::function<void()>& work, const std::function<void()>& whileWaiting)
{
    if (onDeepStack) {
        work();
        return true;
    }
    DeepStackWork job{&work, nullptr, {}, {}, false};
    pthread_t thread;
    const auto main = [](void* argument) -> void* {
        auto* j = static_cast<DeepStackWork*>(argument);
        onDeepStack = true;
        try {
            (*j->work)();
        } catch (...) {
            j->failure = std::current_exception();
        }
        std::lock_guard<std::mutex> lock(j->mutex);
        j->done = true;
        j->ended.notify_one();
        return nullptr;
    };
    if (!startDeepStackThread(&thread, main, &job)) return false;
    if (whileWaiting) {
        std::unique_lock<std::mutex> lock(job.mutex);
        while (!job.ended.wait_for(lock, std::chrono::milliseconds(100), [&job] { return job.done; })) {
            lock.unlock();
            whileWaiting();
            lock.lock();
        }
    }
    pthread_join(thread, nullptr);
    if (job.failure) std::rethrow_exception(job.failure);
    return true;
}

void WorkerPool::startWorkers()
{
    started = true;
    for (int i = 0; i < workerCount; ++i) {
        pthread_t t;
        // A worker that cannot be started leaves its share to the others.
        if (startDeepStackThread(&t, &WorkerPool::workerMain, this)) threads.push_back(t);
    }
}

void* WorkerPool::workerMain(void* pool)
{
    onDeepStack = true;
    static_cast<WorkerPool*>(pool)->workLoop();
    return nullptr;
}

void WorkerPool::workLoop()
{
    insideRun = true;
    unsigned seen = 0;
    for (;;) {
        Task runTask;
        void* runContext;
        int runCount;
        {
            std::unique_lock<std::mutex> lock(stateMutex);
            wake.wait(lock, [&] { return stopping || generation != seen; });
            if (stopping) return;
            seen = generation;
            runTask = task;
            runContext = context;
            runCount = taskCount;
        }
        takeTasks(seen, runTask, runContext, runCount);
    }
}

void WorkerPool::takeTasks(unsigned runGeneration, Task runTask, void* runContext, int count)
{
    std::uint64_t current = cursor.load(std::memory_order_acquire);
    for (;;) {
        if (static_cast<unsigned>(current >> 32) != runGeneration) return;
        const int index = static_cast<int>(current & 0xffffffffu);
        if (index >= count) return;
        // A background run stops handing out tasks once a foreground run
        // waits; its caller closes it and does the rest alone.
        if (backgroundHolds.load(std::memory_order_relaxed) && foregroundWaiting.load(std::memory_order_relaxed) > 0)
            return;
        if (!cursor.compare_exchange_weak(current, current + 1, std::memory_order_acq_rel)) continue;
        runTask(runContext, index);
        if (completed.fetch_add(1, std::memory_order_acq_rel) + 1 >= target.load(std::memory_order_acquire)) {
            std::lock_guard<std::mutex> lock(stateMutex);
            finished.notify_all();
        }
        current = cursor.load(std::memory_order_acquire);
    }
}

int WorkerPool::closeRun(unsigned runGeneration, int count)
{
    // Moves the cursor to the end, so no worker claims another task, and
    // learns how many had been claimed.
    std::uint64_t current = cursor.load(std::memory_order_acquire);
    int claimed = count;
    for (;;) {
        const int index = static_cast<int>(current & 0xffffffffu);
        if (index >= count) break;
        const std::uint64_t closed = (static_cast<std::uint64_t>(runGeneration) << 32) | static_cast<unsigned>(count);
        if (cursor.compare_exchange_weak(current, closed, std::memory_order_acq_rel)) {
            claimed = index;
            break;
        }
    }
    target.store(claimed, std::memory_order_release);
    std::unique_lock<std::mutex> lock(stateMutex);
    finished.wait(lock, [&] { return completed.load(std::memory_order_acquire) >= claimed; });
    return claimed;
}

bool WorkerPool::take(bool background)
{
    std::unique_lock<std::mutex> lock(stateMutex);
    if (background) {
        if (holder != Holder::none || foregroundWaiting.load(std::memory_order_relaxed) > 0) return false;
    } else {
        // Waits while a background run hands the pool back; a foreground
        // run that has it is not waited for.
        foregroundWaiting.fetch_add(1, std::memory_order_relaxed);
        handedBack.wait(lock, [this] { return holder != Holder::background; });
        foregroundWaiting.fetch_sub(1, std::memory_order_relaxed);
        if (holder == Holder::foreground) return false;
    }
    holder = background ? Holder::background : Holder::foreground;
    backgroundHolds.store(background, std::memory_order_relaxed);
    return true;
}

void WorkerPool::giveBack()
{
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        holder = Holder::none;
        backgroundHolds.store(false, std::memory_order_relaxed);
    }
    handedBack.notify_all();
}

void WorkerPool::run(int count, Task newTask, void* newContext, Priority priority)
{
    const bool background = priority == Priority::background;
    if (insideRun || count <= 1 || workerCount == 0 || !take(background)) {
        for (int i = 0; i < count; ++i) newTask(newContext, i);
        return;
    }
    insideRun = true;
    if (!started) startWorkers();
    unsigned runGeneration;
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        runGeneration = ++generation;
        task = newTask;
        context = newContext;
        taskCount = count;
        completed.store(0, std::memory_order_relaxed);
        target.store(count, std::memory_order_relaxed);
        cursor.store(static_cast<std::uint64_t>(runGeneration) << 32, std::memory_order_release);
    }
    wake.notify_all();
    takeTasks(runGeneration, newTask, newContext, count);
    // Every task claimed has finished once the count is full; a worker still
    // to wake will find the run over and touch nothing of it. A background
    // run a foreground one interrupted gives the pool back first and then
    // does what is left on this thread.
    const int claimed = closeRun(runGeneration, count);
    insideRun = false;
    giveBack();
    for (int i = claimed; i < count; ++i) newTask(newContext, i);
}
