#pragma once
// What tests and benchmarks read of a RenderScheduler beyond what the viewer
// uses: how many renders it started, finished, superseded and made coarse,
// and a wait for the render in flight.
#include "app/picture/renderscheduler.h"

#include <mutex>

class RenderSchedulerProbe {
public:
    static RenderScheduler::Counts counts(const RenderScheduler& scheduler)
    {
        std::lock_guard<std::mutex> lock(scheduler.shared->mutex);
        return scheduler.shared->tally;
    }

    // Blocks until no render is in flight.
    static void waitWhileRendering(RenderScheduler& scheduler)
    {
        RenderScheduler::Shared& shared = *scheduler.shared;
        std::unique_lock<std::mutex> lock(shared.mutex);
        shared.idle.wait(lock, [&] { return !shared.inFlight; });
    }
};
