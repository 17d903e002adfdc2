#include "app/picture/renderpolicy.h"

#include <algorithm>

void EditPace::edited(double now)
{
    two = any;
    previous = last;
    last = now;
    any = true;
}

bool EditPace::quickSeries(double now) const
{
    return two && last - previous < restSeconds && !resting(now);
}

long long RenderCost::evaluatedPixels(int width, int height, int step)
{
    if (width <= 0 || height <= 0 || step <= 0) return 0;
    return static_cast<long long>((width + step - 1) / step) * ((height + step - 1) / step);
}

const RenderCost::Entry* RenderCost::find(unsigned key) const
{
    for (int i = 0; i < used; ++i)
        if (entries[i].key == key) return &entries[i];
    return nullptr;
}

RenderCost::Entry& RenderCost::at(unsigned key)
{
    for (int i = 0; i < used; ++i)
        if (entries[i].key == key) return entries[i];
    int slot = used;
    if (used < capacity) {
        ++used;
    } else {
        slot = next;   // the oldest key
        next = (next + 1) % capacity;
    }
    Entry& e = entries[slot];
    e = Entry{};
    e.key = key;
    return e;
}

void RenderCost::measured(unsigned key, int step, int width, int height, double seconds, bool complete)
{
    const long long pixels = evaluatedPixels(width, height, step);
    if (pixels <= 0) return;
    Entry& e = at(key);
    if (step == 1) {
        // A stopped render ran at least this long; a finished one says all.
        if (complete || seconds > e.fullSeconds) e.fullSeconds = seconds;
        lastFull = e.fullSeconds;
    } else if (complete) {
        e.coarsePerPixel = seconds / static_cast<double>(pixels);
        if (e.fullSeconds < 0) e.fullSeconds = e.coarsePerPixel * static_cast<double>(evaluatedPixels(width, height, 1));
    }
}

int RenderCost::step(unsigned key, int width, int height) const
{
    const Entry* e = find(key);
    // A render that keeps no plane costs what one of the same variables
    // without planes cost; else the last full render is the best guess.
    if (!e || e->fullSeconds < 0) {
        const unsigned cold = key & ~0xffffu;
        if (key != cold) e = find(cold);
    }
    const double full = e && e->fullSeconds >= 0 ? e->fullSeconds : lastFull;
    if (full <= lightSeconds) return 1;
    const long long all = evaluatedPixels(width, height, 1);
    if (all <= 0) return 1;
    const double perPixel = e && e->coarsePerPixel >= 0 ? e->coarsePerPixel : full / static_cast<double>(all);
    int k = 2;
    while (k < maxStep && perPixel * static_cast<double>(evaluatedPixels(width, height, k)) > coarseSeconds) ++k;
    return k;
}
