#pragma once
// A small pool of persistent worker threads that share out the bands of a
// render.
//
// Several threads use it: the drawing area's render, the export and the
// main thread's own fills. The pool only works inside a call to run(), in
// which the calling thread takes part, and its workers sleep on a condition
// variable the rest of the time. They are started on the first run() that
// has work to share and joined when the process exits.
//
// The drawing area's render comes first. A background run (an export) hands
// the pool back between its tasks as soon as a foreground run asks for it,
// and does the rest of its tasks on its own thread; a background run that
// finds the pool taken or wanted does all its tasks on its own thread. A
// foreground run waits for a background one to hand the pool back (at most a
// task), never for another foreground run.
//
// Workers get large stacks: a pixel of a deep composition recurses once per
// layer (the scene reader admits chains of well over a thousand layers).
#include <atomic>
#include <cstdint>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include <pthread.h>

class WorkerPool {
public:
    // Called with a task index in [0, count), on any of the pool's threads.
    using Task = void (*)(void* context, int index);

    enum class Priority {
        foreground,   // the drawing area's render, and any caller that waits on it
        background,   // gives the pool up between tasks when a foreground run asks
    };

    static constexpr std::size_t workerStackBytes = std::size_t(64) << 20;

    // The process-wide pool, with one worker per processor beyond the first.
    static WorkerPool& instance();

    explicit WorkerPool(int workerCount);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Runs task(context, i) once for every i in [0, count) and returns when
    // all are done. Tasks run concurrently and in no particular order. A call
    // made from a task, or while another foreground run has the pool, runs
    // its tasks on the calling thread alone; priority as explained above.
    void run(int count, Task task, void* context, Priority priority = Priority::foreground);

    // The threads that take part in a run: the workers plus the caller.
    int threadCount() const { return workerCount + 1; }

    // Starts a thread with the workers' stack size, for any thread that
    // evaluates layers (a render, an export). False when none could be had.
    static bool startDeepStackThread(pthread_t* thread, void* (*main)(void*), void* argument);
    // Runs work on a thread of its own with that stack and returns when it
    // has finished: for a caller whose own stack may be too small for a deep
    // tree (the main thread of a tool, a thread of an interpreter). An
    // exception work throws is thrown again here. False, with work not run,
    // when no thread could be had. While it waits, the calling thread calls
    // whileWaiting, if given, every tenth of a second (to hear of a user's
    // interrupt and ask work to stop). Called on a thread that has the deep
    // stack already (a worker, or inside another such work), it runs work
    // right there, and whileWaiting is left to the outer caller.
    static bool runOnDeepStack(const std::function<void()>& work, const std::function<void()>& whileWaiting = {});

private:
    static void* workerMain(void* pool);
    void startWorkers();
    void workLoop();
    // Takes tasks of run `generation` until none is left; stops at once when
    // a later run has begun, and, for a background run, when a foreground
    // run wants the pool.
    void takeTasks(unsigned generation, Task task, void* context, int count);
    // Background run: no task of it is claimed any more; returns how many
    // were, once they have finished.
    int closeRun(unsigned generation, int count);
    // Makes the caller the pool's holder, as run() explains; false when it
    // is to do its tasks alone.
    bool take(bool background);
    void giveBack();

    const int workerCount;
    std::vector<pthread_t> threads;
    bool started = false;

    // The run that has the pool: one at a time. Who holds it, and the
    // background flag beside it, change together under stateMutex, so a
    // foreground run never mistakes a background holder for a foreground one.
    enum class Holder { none, foreground, background };

    std::mutex stateMutex;            // guards the fields below
    std::condition_variable wake;     // workers wait here for a run
    std::condition_variable finished; // the caller waits here for the last task
    std::condition_variable handedBack; // a foreground run waits here for a background one
    Holder holder = Holder::none;
    unsigned generation = 0;          // bumped once per run
    bool stopping = false;
    Task task = nullptr;
    void* context = nullptr;
    int taskCount = 0;

    // The run's generation in the high half and its next task in the low
    // half, claimed together, so a worker that wakes late for a run already
    // over claims nothing of the next one. The caller waits for the tasks,
    // not for the workers, so a worker the system keeps waiting holds up no
    // one.
    std::atomic<std::uint64_t> cursor{0};
    std::atomic<int> completed{0};
    // The completed count at which the caller is told: the task count, or
    // those claimed before a background run was closed.
    std::atomic<int> target{0};
    // Read by the tasks' takers without the lock; written under it.
    std::atomic<bool> backgroundHolds{false};    // a background run has the pool
    std::atomic<int> foregroundWaiting{0};       // foreground runs waiting for it
};
