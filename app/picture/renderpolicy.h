#pragma once
// How the picture keeps up with a quick series of edits (a drag, wheel
// notches, repeated undos) on a composition too heavy to render at every
// event: a coarse picture at once, the full one when the input rests.
//
// A coarse picture evaluates every k-th pixel of every k-th row of the
// full-size texture and shows each as a k x k block: the same pixels the
// full picture computes, never a smaller texture (which would give another
// pattern). k comes from the measured cost of the last renders, so that one
// coarse picture takes at most coarseSeconds. A composition whose full
// picture takes at most lightSeconds is always rendered in full.
//
// Two halves, one per thread: EditPace on the main thread tells whether
// edits are coming quickly, RenderCost on the render thread keeps what the
// renders cost and picks k. Times are seconds on a steady clock.

// Main thread: the times of the last two edits.
class EditPace {
public:
    // No edit for this long: the input rests, and the next picture is full.
    static constexpr double restSeconds = 0.1;

    void edited(double now);
    // The last edit came soon after the one before and the input has not
    // rested since: renders may be coarse.
    bool quickSeries(double now) const;
    bool resting(double now) const { return !any || now - last >= restSeconds; }

private:
    bool any = false;
    bool two = false;
    double last = 0.0;
    double previous = 0.0;
};

// Render thread: what the last renders cost, by the set of driven
// variables and the planes kept for them (inputplanes.h), whose reuse makes
// a render of the same composition far cheaper.
class RenderCost {
public:
    static constexpr double lightSeconds = 0.010;
    // A third less than 1/20 s: with the hand-over to the next tick and the copy
    // of the composition, pictures still come 20 times a second.
    static constexpr double coarseSeconds = 1.0 / 30;
    static constexpr int maxStep = 64;

    // What a render is keyed by: its driven variables and the kept planes.
    static unsigned key(unsigned driven, unsigned kept) { return driven << 16 | kept; }

    // A render of width x height pixels at step has taken seconds; complete
    // is false when it was stopped, which still tells that a full render
    // takes at least that long.
    void measured(unsigned key, int step, int width, int height, double seconds, bool complete);
    // The pixel step for a render during a quick series of edits: 1 (full)
    // while a full render is light or its cost unknown, else the smallest
    // k > 1 whose coarse picture fits coarseSeconds.
    int step(unsigned key, int width, int height) const;

    // The number of pixels a picture evaluates at step k.
    static long long evaluatedPixels(int width, int height, int step);

private:
    struct Entry {
        unsigned key = 0;
        double fullSeconds = -1.0;     // unknown while negative
        double coarsePerPixel = -1.0;
    };
    const Entry* find(unsigned key) const;
    Entry& at(unsigned key);

    static constexpr int capacity = 16;   // keys seen recently; the oldest goes
    Entry entries[capacity];
    int used = 0;
    int next = 0;
    double lastFull = -1.0;   // of any key: the best guess for a new one
};
