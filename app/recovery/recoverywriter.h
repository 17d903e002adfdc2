#pragma once
// Writes recovery copies on a thread of its own, a background runner
// (backgroundrunner.h), so that the main loop only takes a snapshot of the
// composition. One job runs at a time, and one waits: a newer job replaces
// the waiting one (the latest state wins). A job either writes a copy,
// atomically (atomicfile.h), or removes it, and runs to its end even when a
// newer one comes, so they take effect in the order given: a removal never
// comes before a write that was asked for earlier.
//
// The thread starts with the first job, so a viewer that never has unsaved
// changes never runs it.
#include "app/backgroundrunner.h"
#include "layers/composition.h"
#include "persistence/scenefile.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>

class RecoveryWriter {
public:
    RecoveryWriter() = default;
    // Finishes the job in flight, drops the waiting one.
    ~RecoveryWriter() = default;
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    // Writes composition, with origin on its root, to path. The composition
    // is only read, here and by the caller, which may keep it to compare.
    void write(const std::string& path, std::shared_ptr<const Composition> composition,
               const scenefile::CopyOrigin& origin);
    // Removes the file at path.
    void remove(const std::string& path);

    // What became of the last job finished, once: true with *error empty
    // for a copy written or removed, else the reason the write failed.
    // False when no job has finished since the last call.
    bool takeOutcome(std::string* error);
    // Waits until no job is left (tests, a clean exit).
    void drain();

private:
    // The last job's outcome, which the jobs hold: a job never points into
    // the writer.
    struct Outcome {
        std::mutex mutex;
        bool ready = false;
        std::string error;
    };
    // Runs work, which returns the reason it failed or "", as the next job.
    void submit(std::function<std::string()> work);

    std::shared_ptr<Outcome> outcome = std::make_shared<Outcome>();
    BackgroundRunner runner;   // destroyed first: it finishes the job in flight
};
