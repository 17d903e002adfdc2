#include "app/recovery/recoverywriter.h"

#include "persistence/atomicfile.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

RecoveryWriter::~RecoveryWriter()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        waiting = Job();
    }
    changed.notify_all();
    if (thread.joinable()) thread.join();
}

void RecoveryWriter::write(const std::string& path, std::shared_ptr<const Composition> composition,
                           const scenefile::CopyOrigin& origin)
{
    Job job;
    job.present = true;
    job.path = path;
    job.composition = std::move(composition);
    job.origin = origin;
    submit(std::move(job));
}

void RecoveryWriter::remove(const std::string& path)
{
    Job job;
    job.present = true;
    job.removal = true;
    job.path = path;
    submit(std::move(job));
}

void RecoveryWriter::submit(Job job)
{
    Job replaced;   // destroyed outside the lock: a big tree takes a while
    {
        std::lock_guard<std::mutex> lock(mutex);
        replaced = std::move(waiting);
        waiting = std::move(job);
        if (!thread.joinable()) thread = std::thread(&RecoveryWriter::run, this);
    }
    changed.notify_all();
}

void RecoveryWriter::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return stopping || waiting.present; });
        if (stopping) return;
        Job job = std::move(waiting);
        waiting = Job();
        busy = true;
        lock.unlock();

        std::string error;
        if (job.removal) {
            if (unlink(job.path.c_str()) != 0 && errno != ENOENT) error = std::strerror(errno);
        } else {
            Renderable* tree = job.composition ? job.composition->tree.get() : nullptr;
            const std::string text = scenefile::copyText(&tree, tree ? 1 : 0,
                                                         job.composition ? job.composition->settings : SceneSettings(),
                                                         job.origin);
            error = atomicfile::replace(job.path, [&text](std::FILE* file) {
                const bool whole = std::fwrite(text.data(), 1, text.size(), file) == text.size();
                return whole ? std::string() : std::string(std::strerror(errno));
            });
        }
        job = Job();

        lock.lock();
        busy = false;
        outcomeReady = true;
        outcome = error;
        changed.notify_all();
    }
}

bool RecoveryWriter::takeOutcome(std::string* error)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!outcomeReady) return false;
    outcomeReady = false;
    *error = outcome;
    return true;
}

void RecoveryWriter::drain()
{
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return stopping || (!busy && !waiting.present); });
}
