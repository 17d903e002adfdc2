#pragma once
// Keeps the picture in step with the composition without ever rendering on
// the main loop.
//
// An edit only marks the picture stale. Once per tick the main loop polls:
// a finished picture is handed over; a stale picture starts a render of an
// exact copy of the current composition (the current layer's tree with the
// scene's settings), so the user goes on editing the original while the
// copy is evaluated. At most one render is
// in flight. It runs on its own thread, which shares the rows out on the
// worker pool; an edit made meanwhile stops it within a row and its pixels
// are dropped, and the next poll starts over from the newest state. The
// picture handed over last is therefore always the one the latest edit
// asked for, and the main loop's cost of an edit is the copy, not a render.
//
// Headless: it knows layers and pixels, not textures. Every call except the
// destructor's join returns at once.
#include "app/layerstats.h"
#include "layers/composition.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include <pthread.h>

class RenderScheduler {
public:
    struct Picture {
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> pixels;   // row 0 at the bottom; empty: nothing to show
        layerstats::Stats stats;            // of the values behind the pixels, made with them
    };
    struct Counts {
        std::uint64_t started = 0;      // renders handed to the render thread
        std::uint64_t finished = 0;     // renders whose picture was delivered
        std::uint64_t superseded = 0;   // renders stopped early by a newer edit
    };

    RenderScheduler() = default;
    // Stops the render in flight and waits for its thread.
    ~RenderScheduler();
    RenderScheduler(const RenderScheduler&) = delete;
    RenderScheduler& operator=(const RenderScheduler&) = delete;

    // Main thread. The composition changed: the picture must be made again.
    void markStale() { stale = true; }

    // Main thread, once per tick. Returns true with the new picture in shown
    // when there is one to show: a render has finished, or there is no
    // current layer any more (current.tree null; shown is then empty). A
    // stale picture stops the render in flight, or starts a render of
    // current when none is.
    bool poll(const CompositionView& current, Picture& shown);

    // True while a render is in flight or the picture is stale: more polls
    // are needed before the picture on screen is the final one.
    bool pending() const;

    Counts counts() const;

    // Blocks until no render is in flight (tests and benchmarks).
    void waitWhileRendering();

    // Stops the render in flight and ends the render thread; later polls
    // render on the calling thread. For a program about to exit, which must
    // not leave a render running while its statics are destroyed.
    void shutDown();

private:
    // Renders composition, a copy of its own, into picture: the pixels with
    // their statistics. False, picture untouched, when stop ended it early.
    static bool render(Composition& composition, const std::atomic<bool>* stop, Picture& picture);
    static void* threadMain(void* scheduler);
    void renderLoop();
    void startThread();

    bool stale = false;                 // main thread only

    mutable std::mutex mutex;           // guards the fields below
    std::condition_variable wake;       // the render thread waits here for a job
    std::condition_variable idle;       // waitWhileRendering waits here
    Composition job;                    // the copy to render next; a null tree: none
    bool inFlight = false;              // from hand-over until the thread is done with it
    bool quitting = false;
    std::unique_ptr<Picture> delivered; // finished, not yet taken by poll
    Counts tally;

    std::atomic<bool> stop{false};      // set by the main thread to end the render in flight
    pthread_t thread{};
    bool threadStarted = false;         // main thread only
};
