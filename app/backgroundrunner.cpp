#include "app/backgroundrunner.h"

#include "layers/workerpool.h"

#include <sched.h>
#include <semaphore.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <utility>

struct BackgroundRunner::State {
    struct Node {
        Job job;
        unsigned generation = 0;
        Node* next = nullptr;   // in the list of dropped jobs
    };

    State() { sem_init(&wake, 0, 0), sem_init(&ended, 0, 0), sem_init(&settled, 0, 0); }
    ~State()
    {
        delete slot.exchange(nullptr);
        freeDropped();
        sem_destroy(&wake);
        sem_destroy(&ended);
        sem_destroy(&settled);
    }

    // Dropped jobs are destroyed on the thread (what they hold may take a
    // while to destroy): pushed here without a lock.
    void drop(Node* node)
    {
        if (!node) return;
        node->next = dropped.load(std::memory_order_relaxed);
        while (!dropped.compare_exchange_weak(node->next, node, std::memory_order_release, std::memory_order_relaxed)) {
        }
    }
    void freeDropped()
    {
        Node* node = dropped.exchange(nullptr, std::memory_order_acquire);
        while (node) delete std::exchange(node, node->next);
    }

    // A new request: every job of an older generation is no longer wanted.
    // The generation goes up and the stop is raised before the new job is
    // in the slot; the thread takes a job, then lowers the stop, then reads
    // the generation. So a job the thread has begun either sees the stop of
    // every later request or is skipped, and no request stops the job it
    // hands over.
    void supersede(Node* next)
    {
        const unsigned generation = latest.fetch_add(1) + 1;
        if (next) next->generation = generation;
        stop.store(true);
        drop(slot.exchange(next));
        sem_post(&wake);
    }

    std::atomic<Node*> slot{nullptr};     // the job waiting
    std::atomic<Node*> dropped{nullptr};
    std::atomic<unsigned> latest{0};      // the generation of the latest request
    std::atomic<bool> stop{false};        // the running job's cancel flag
    std::atomic<bool> running{false};     // a job is taken and not yet done
    std::atomic<bool> quitting{false};
    bool idle = false;
    sem_t wake;                           // posted for every request
    sem_t ended;                          // posted as the thread ends
    sem_t settled;                        // posted after every turn of the thread
};

namespace {

// Only time no one else wants: the idle class where the system has it, else
// the lowest nice value for this thread alone.
void lowerOwnPriority()
{
#ifdef SCHED_IDLE
    sched_param param{};
    if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) == 0) return;
#endif
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
}

// How long a shutdown gives an idle thread to end before leaving it.
constexpr long idleShutdownNanoseconds = 50 * 1000 * 1000;

} // namespace

BackgroundRunner::BackgroundRunner(Priority p) : priority(p), state(std::make_shared<State>())
{
    state->idle = priority == Priority::idle;
}

BackgroundRunner::~BackgroundRunner()
{
    shutDown();
}

void* BackgroundRunner::threadMain(void* argument)
{
    // The thread holds the state for as long as it runs.
    std::unique_ptr<std::shared_ptr<State>> held(static_cast<std::shared_ptr<State>*>(argument));
    State& s = **held;
    if (s.idle) lowerOwnPriority();
    const CancelToken token(&s.stop);
    for (;;) {
        while (sem_wait(&s.wake) != 0 && errno == EINTR) {
        }
        s.freeDropped();
        if (s.quitting.load()) break;
        s.running.store(true);
        std::unique_ptr<State::Node> node(s.slot.exchange(nullptr));
        s.stop.store(false);
        if (node && node->generation == s.latest.load()) node->job(token);
        node.reset();
        s.running.store(false);
        sem_post(&s.settled);
    }
    s.freeDropped();
    sem_post(&s.ended);
    return nullptr;
}

bool BackgroundRunner::submit(Job job)
{
    if (quitting) return false;
    if (!threadStarted) {
        auto* argument = new std::shared_ptr<State>(state);
        // A job evaluates layers: the stack a deep composition needs.
        threadStarted = WorkerPool::startDeepStackThread(&thread, &BackgroundRunner::threadMain, argument);
        if (!threadStarted) {
            delete argument;
            return false;
        }
    }
    state->supersede(new State::Node{std::move(job), 0, nullptr});
    return true;
}

void BackgroundRunner::cancel()
{
    if (threadStarted) state->supersede(nullptr);
}

bool BackgroundRunner::busy() const
{
    return state->slot.load() != nullptr || state->running.load();
}

void BackgroundRunner::waitUntilIdle() const
{
    // Every turn of the thread posts once, so a post may be one of an
    // earlier job's: busy() decides.
    while (busy())
        while (sem_wait(&state->settled) != 0 && errno == EINTR) {
        }
}

void BackgroundRunner::shutDown()
{
    if (quitting) return;
    quitting = true;
    if (!threadStarted) return;
    state->quitting.store(true);
    state->supersede(nullptr);
    if (priority == Priority::normal) {
        pthread_join(thread, nullptr);
        return;
    }
    timespec until{};
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_nsec += idleShutdownNanoseconds;
    if (until.tv_nsec >= 1000000000L) {
        until.tv_sec += 1;
        until.tv_nsec -= 1000000000L;
    }
    int waited;
    while ((waited = sem_timedwait(&state->ended, &until)) != 0 && errno == EINTR) {
    }
    if (waited == 0) pthread_join(thread, nullptr);
    else pthread_detach(thread);   // it ends on its own and lets the state go
}
