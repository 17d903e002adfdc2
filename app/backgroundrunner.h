#pragma once
// One thread that runs background work (the drawing area's renders, the
// export, the previews of the layer tree, the recovery copies), the latest
// request winning.
//
// A request hands a job to the thread through a single slot: a job still
// waiting there is dropped unrun, and the job running is cancelled; it stops
// within a row when it passes its token's flag to the row loop as its stop.
// Nothing here takes a lock the thread may hold, so the caller (the main
// loop) never waits for the thread, whatever its priority: a thread of the
// lowest priority may be kept off busy processors for seconds.
//
// Shutdown cancels everything. A thread of normal priority is joined; one of
// the lowest priority is given a moment to end and then left to end on its
// own, so closing the viewer never waits for it. Everything the thread
// touches (its slot, the job and what the job holds) lives in a state it
// shares, which the last of the two to leave destroys: a job must hold what
// it reads and writes, never point into its owner.
#include <atomic>
#include <functional>
#include <memory>

#include <pthread.h>

class BackgroundRunner {
public:
    enum class Priority {
        normal,
        idle,   // only time no one else wants: SCHED_IDLE, else the lowest nice value
    };

    // What a job asks to learn whether it is still wanted.
    class CancelToken {
    public:
        explicit CancelToken(const std::atomic<bool>* flag) : flag(flag) {}
        // Set once the job is cancelled: for rowloop::Options::stop.
        const std::atomic<bool>* stopFlag() const { return flag; }
        bool cancelled() const { return flag->load(std::memory_order_relaxed); }

    private:
        const std::atomic<bool>* flag;
    };

    using Job = std::function<void(const CancelToken& token)>;

    explicit BackgroundRunner(Priority priority = Priority::normal);
    ~BackgroundRunner();   // shutDown()
    BackgroundRunner(const BackgroundRunner&) = delete;
    BackgroundRunner& operator=(const BackgroundRunner&) = delete;

    // Runs job on the thread once the one running has stopped; cancels that
    // one and drops one still waiting. Starts the thread on first use. Never
    // waits. False when no thread could be had (the job is not run).
    bool submit(Job job);
    // Cancels the job running and drops the one waiting. Never waits.
    void cancel();
    // A job is waiting or running (cancelled or not). Once false, whatever
    // the last job did is visible to the caller.
    bool busy() const;
    // Waits until busy() is false: for tests and a clean exit, which may
    // wait; never for the main loop.
    void waitUntilIdle() const;

    // Cancels everything and ends the thread; later submits run nothing.
    // Waits for a thread of normal priority, at most a moment for an idle one.
    void shutDown();

private:
    struct State;
    static void* threadMain(void* state);

    const Priority priority;
    std::shared_ptr<State> state;
    pthread_t thread{};
    bool threadStarted = false;
    bool quitting = false;
};
