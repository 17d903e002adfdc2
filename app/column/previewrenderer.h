#pragma once
// Renders the previews of the layer tree on a background runner of the
// lowest priority, from one copy of the whole composition.
//
// The previews come after the drawing area's picture: they never share the
// worker pool with its render, and their thread runs at the lowest priority
// the system has, so an idle processor is all they take. The caller hands
// over a copy of the composition once it is worth previewing (the picture on
// screen is final) and names the rows it wants, those in view first; every
// layer of the copy is a row, numbered in tree order (layertree.h), and is
// rendered at the preview size with its own view, exactly as a render of
// that layer at that size. The latest request wins: new rows stop the
// preview in progress within a row and go on with the new list; an edit makes
// the copy stale, and stop() ends its work so that nothing more of it is
// delivered.
//
// A thread of the lowest priority may be kept off busy processors for long,
// so the main thread never waits for it: requests go through the runner's
// slot, finished previews are taken only when their lock is free, and the
// copies are destroyed on that thread.
//
// Headless: it knows layers and pixels, not textures.
#include "app/backgroundrunner.h"
#include "layers/composition.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

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

    PreviewRenderer();
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
    // Main thread. A preview is wanted or being made, or one waits to be
    // taken.
    bool busy() const;

    // Ends the work; no preview is made afterwards. Never waits for the
    // thread.
    void shutDown();

private:
    // The copy the previews are made from, with what the jobs learn of it;
    // only the runner's thread touches it once handed over.
    struct Held {
        Composition copy;
        int width = 0, height = 0;
        unsigned generation = 0;
        bool prepared = false;                // at the preview size, its rows listed
        std::vector<Renderable*> layers;      // in tree order
        std::vector<bool> done;
    };
    // Where the jobs leave finished previews.
    struct Mailbox {
        std::mutex mutex;
        std::vector<Preview> delivered;       // guarded by mutex
        std::atomic<bool> hasDelivered{false};
    };

    BackgroundRunner runner;
    std::shared_ptr<Held> held;               // main thread: the current copy; none after stop
    std::shared_ptr<Mailbox> mailbox;
    unsigned generation = 0;                  // main thread: the copy whose previews are wanted
};
