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
// The main thread never waits for this one. A thread of the lowest priority
// may be kept off the processors for long while it holds their shared lock,
// so the main thread only ever tries the lock: what it could not hand over
// waits in its own fields for the next call, and a stop goes through atomics.
// Destroying copies is left to this thread too.
//
// Headless: it knows layers and pixels, not textures.
#include "layers/composition.h"

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
        unsigned generation = 0;            // of the copy it was made from
    };

    PreviewRenderer() = default;
    ~PreviewRenderer();
    PreviewRenderer(const PreviewRenderer&) = delete;
    PreviewRenderer& operator=(const PreviewRenderer&) = delete;

    // Main thread. Previews of composition (a copy, given away) at width x
    // height from now on; work on an older copy stops. No row is wanted
    // until want() names some.
    void start(Composition composition, int width, int height);
    // Main thread. The copy no longer shows the composition.
    void stop();
    // Main thread. The rows to render, in this order, instead of those named
    // before. Rows already delivered for this copy are skipped. A preview in
    // progress of a row no longer named stops: after a jump through a long
    // tree the rows now in view come next, not after a row scrolled away.
    void want(std::vector<int> rows);
    // Main thread. The previews of the current copy finished since the last
    // call (none when the lock was taken: they come with a later call).
    std::vector<Preview> take();
    // Main thread. Work is handed over or waiting to be, a preview is being
    // made, or one waits to be taken.
    bool busy() const;

    // Ends the thread, waiting for it; no preview is made afterwards.
    void shutDown();

private:
    static void* threadMain(void* renderer);
    void run();
    void handOver();                     // main thread, never waits
    bool workToDo() const;               // the thread, with the mutex held

    // Main thread only: what is still to hand over.
    unsigned generation = 0;             // the copy whose previews are wanted
    Composition outCopy;
    int outWidth = 0, outHeight = 0;
    bool copyToHandOver = false;
    std::vector<int> outRows;
    bool rowsToHandOver = false;
    bool threadStarted = false;

    // Shared, under the mutex.
    std::mutex mutex;
    std::condition_variable wake;        // the thread waits here for work
    Composition incoming;
    int incomingWidth = 0, incomingHeight = 0;
    unsigned incomingGeneration = 0;
    std::vector<int> wanted;
    unsigned wantedGeneration = 0;       // the copy wanted's rows belong to
    int rowInProgress = -1;              // the row the thread is rendering
    std::vector<Composition> discarded;  // for the thread to destroy
    std::vector<Preview> delivered;
    bool quitting = false;

    // The thread's own: the copy it renders from.
    Composition held;
    unsigned heldGeneration = 0;
    std::vector<Renderable*> heldLayers;   // its layers in tree order, at the preview size
    std::vector<bool> heldDone;

    std::atomic<unsigned> latest{0};     // = generation, for the thread
    std::atomic<bool> stopFlag{false};   // ends the preview in progress
    std::atomic<bool> threadBusy{false}; // work handed over and not yet done
    std::atomic<bool> hasDelivered{false};
    pthread_t thread{};
};
