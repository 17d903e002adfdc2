#pragma once
// Keeps the picture in step with the composition without ever rendering on
// the main loop.
//
// An edit only marks the picture stale. Once per tick the main loop polls:
// a finished picture is handed over; a stale picture starts a render of an
// exact copy of the current composition (the current layer's tree with the
// scene's settings), so the user goes on editing the original while the
// copy is evaluated. At most one render is in flight. It runs on its own thread, which shares the rows out on the
// worker pool. The picture handed over last is always the one the latest
// edit asked for, and the main loop's cost of an edit is the copy, not a
// render.
//
// During a quick series of edits on a heavy composition (renderpolicy.h) a
// render first makes a coarse picture, which runs to its end even when
// newer edits arrive, since only then is there something to show; with no
// newer edit by then it goes on to the full picture of the same copy. A
// full render is stopped within a row by a newer edit and its pixels are
// dropped; the next poll starts over from the newest state. Once the input
// rests, a coarse render of an outdated state is stopped too, so the full
// picture of the last edit comes as soon as it can. Coarse pictures carry
// their step and no statistics.
//
// The render thread is a background runner (backgroundrunner.h) of normal
// priority, whose renders have the worker pool first. It keeps the values
// of the current layer's direct inputs between renders (inputplanes.h).
//
// Headless: it knows layers and pixels, not textures. The main thread's
// calls take only locks the render thread holds for a moment; shutdown
// stops the render within a row and waits for it.
#include "app/backgroundrunner.h"
#include "app/picture/inputplanes.h"
#include "app/picture/layerstats.h"
#include "app/picture/renderpolicy.h"
#include "layers/composition.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>


class RenderScheduler {
public:
    struct Picture {
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> pixels;   // row 0 at the bottom; empty: nothing to show
        layerstats::Stats stats;            // of the values behind the pixels, made with them
        int step = 1;                       // 1: full; k: coarse, k x k blocks, no statistics
        // What the drawing area shows when the scene's view is not Grey:
        // RGB bytes made of the same values, row 0 at the bottom; empty
        // for Grey.
        std::vector<std::uint8_t> shown;
    };
    struct Counts {
        std::uint64_t started = 0;      // renders handed to the render thread
        std::uint64_t finished = 0;     // renders whose picture was delivered
        std::uint64_t superseded = 0;   // renders stopped before their full picture
        std::uint64_t coarse = 0;       // coarse pictures delivered on the way
    };

    RenderScheduler() = default;
    // Stops the render in flight and waits for its thread.
    ~RenderScheduler();
    RenderScheduler(const RenderScheduler&) = delete;
    RenderScheduler& operator=(const RenderScheduler&) = delete;

    // Main thread. The composition changed: the picture must be made again.
    void markStale();

    // Main thread, once per tick. Returns true with the new picture in shown
    // when there is one to show: a render has finished, or there is no
    // current layer any more (current.tree null; shown is then empty). A
    // stale picture stops the render in flight, or starts a render of
    // current when none is.
    // A width and height other than 0 render the copy at that size, keeping
    // its views (the tile preview's half-size picture).
    bool poll(const CompositionRef& current, Picture& shown, int width = 0, int height = 0);

    // True while a render is in flight or the picture is stale: more polls
    // are needed before the picture on screen is the final one.
    bool pending() const;

    // Stops the render in flight and ends the render thread; later polls
    // render on the calling thread. For a program about to exit, which must
    // not leave a render running while its statics are destroyed.
    void shutDown();

    // Renders composition, a copy of its own, at step into picture: a
    // full one (step 1) with its statistics, or a coarse one. False,
    // picture untouched, when stop ended it early.
    static bool render(Composition& composition, int step, const std::atomic<bool>* stop, Picture& picture);

    // The clock the pace of edits and the cost of renders are measured on,
    // in seconds; called from the main and the render thread. Tests set
    // their own before the first poll.
    double (*clock)() = &steadySeconds;
    static double steadySeconds();

private:
    // Tests and benchmarks read the tally and wait for the render in flight
    // (tests/support/renderschedulerprobe.h).
    friend class RenderSchedulerProbe;

    // What the render jobs and the main thread share; a job holds it.
    struct Shared {
        RenderCost cost;                    // render thread only
        InputPlanes planes;                 // render thread only
        double (*clock)() = &steadySeconds; // the scheduler's, as of the hand-over

        std::mutex mutex;                   // guards the fields below
        std::condition_variable idle;       // notified when no render is in flight
        bool inFlight = false;              // from hand-over until the job is done with it
        bool coarsePhase = false;           // the render in flight is making (or may make) a coarse picture
        std::unique_ptr<Picture> delivered; // finished, not yet taken by poll
        Counts tally;

        // Set by the main thread, under the mutex: a newer edit came, and a
        // coarse render does not go on to its full picture. A full render
        // stops on its job's cancel token, which the main thread raises
        // once no coarse picture is on the way.
        std::atomic<bool> newer{false};
    };
    // One render's copy. A job the runner drops before it ran (the input
    // came to rest before the render thread took it) is over all the same:
    // its destructor, on the render thread, says so.
    struct Job {
        explicit Job(std::shared_ptr<Shared> shared) : shared(std::move(shared)) {}
        ~Job();
        Job(const Job&) = delete;
        Job& operator=(const Job&) = delete;
        std::shared_ptr<Shared> shared;
        Composition copy;
        bool quickSeries = false;   // coarse pictures allowed
        bool over = false;          // counted and no longer in flight
    };
    // Render thread: renders the job's copy (coarse first where allowed)
    // and delivers its pictures; true when the full one was delivered.
    static bool renderJob(Shared& shared, Job& job, const BackgroundRunner::CancelToken& token);
    static void runJob(Job& job, const BackgroundRunner::CancelToken& token);
    static void finish(Shared& shared, Job& job, bool full);
    static void deliver(Shared& shared, std::unique_ptr<Picture> picture);

    bool stale = false;                 // main thread only
    EditPace pace;                      // main thread only
    bool quitting = false;              // main thread only
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    BackgroundRunner runner;            // the render thread
};
