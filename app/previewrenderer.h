#pragma once
// Renders the previews of the layer tree on one thread of its own, at low
// priority, from one copy of the whole composition.
//
// The previews come after the drawing area's picture: they never share the
// worker pool with its render, and the thread runs at the lowest priority
// the system has, so an idle processor is all they take. The caller hands
// over a copy of the composition once it is worth previewing (the picture on
// screen is exact) and names the rows it wants, those in view first; every
// layer of the copy is a row, numbered in tree order (layertree.h), and is
// rendered at the preview size with its own view, exactly as a render of
// that layer at that size. An edit makes the copy stale: stop() ends the
// preview in progress within a row, and nothing more of that copy is
// delivered.
//
// Headless: it knows layers and pixels, not textures. Every call except the
// destructor's join returns at once.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include <pthread.h>

class Renderable;

class PreviewRenderer {
public:
    struct Preview {
        int row = 0;
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> pixels;   // row 0 at the bottom
    };

    PreviewRenderer() = default;
    ~PreviewRenderer();
    PreviewRenderer(const PreviewRenderer&) = delete;
    PreviewRenderer& operator=(const PreviewRenderer&) = delete;

    // Main thread. Previews of composition (a copy of the base layer with
    // its tree, given away) at width x height from now on; work on an older
    // copy stops. No row is wanted until want() names some.
    void start(std::unique_ptr<Renderable> composition, int width, int height);
    // Main thread. The copy no longer shows the composition.
    void stop();
    // Main thread. The rows to render, in this order, instead of those named
    // before. Rows already delivered for this copy are skipped.
    void want(std::vector<int> rows);
    // Main thread. The previews of the current copy finished since the last
    // call.
    std::vector<Preview> take();
    // A copy is being prepared, a wanted row is still to render, or a
    // preview waits to be taken.
    bool busy() const;

    // Blocks until nothing is left to do (tests and benchmarks).
    void waitUntilIdle();
    // Ends the thread; no preview is made afterwards.
    void shutDown();

private:
    static void* threadMain(void* renderer);
    void run();
    bool workToDo() const;   // with the mutex held

    mutable std::mutex mutex;           // guards the fields below
    std::condition_variable wake;       // the thread waits here for work
    std::condition_variable idle;       // waitUntilIdle waits here
    std::unique_ptr<Renderable> incoming;   // the next copy, not yet taken up
    int incomingWidth = 0, incomingHeight = 0;
    unsigned latest = 0;                // the copy whose previews are wanted
    unsigned held = 0;                  // the copy the thread holds (0: none)
    std::vector<int> wanted;
    bool working = false;               // the thread is preparing or rendering
    bool quitting = false;
    std::vector<Preview> delivered;

    std::atomic<bool> stopFlag{false};  // ends the preview in progress
    pthread_t thread{};
    bool threadStarted = false;         // main thread only
};
