#pragma once
// The thread that writes recovery copies, so that the main loop only takes a
// snapshot of the composition. One job is in flight at a time, and one waits
// in a single slot: a newer job replaces the waiting one (the latest state
// wins). A job either writes a copy, atomically (atomicfile.h), or removes
// it; both run in the order given, so a removal never comes before a write
// that was asked for earlier.
//
// The thread starts with the first job, so a viewer that never has unsaved
// changes never runs it.
#include "layers/composition.h"
#include "persistence/scenefile.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class RecoveryWriter {
public:
    RecoveryWriter() = default;
    // Finishes the job in flight, drops the waiting one.
    ~RecoveryWriter();
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
    struct Job {
        bool present = false;
        bool removal = false;
        std::string path;
        std::shared_ptr<const Composition> composition;
        scenefile::CopyOrigin origin;
    };
    void submit(Job job);
    void run();

    std::mutex mutex;
    std::condition_variable changed;
    std::thread thread;
    Job waiting;
    bool busy = false;
    bool stopping = false;
    bool outcomeReady = false;
    std::string outcome;
};
