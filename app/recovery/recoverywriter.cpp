#include "app/recovery/recoverywriter.h"

#include "persistence/atomicfile.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

void RecoveryWriter::write(const std::string& path, std::shared_ptr<const Composition> composition,
                           const scenefile::CopyOrigin& origin)
{
    submit([path, composition = std::move(composition), origin] {
        const std::string text = scenefile::copyText(composition ? composition->ref() : CompositionRef(), origin);
        return atomicfile::replace(path, [&text](std::FILE* file) {
            const bool whole = std::fwrite(text.data(), 1, text.size(), file) == text.size();
            return whole ? std::string() : std::string(std::strerror(errno));
        });
    });
}

void RecoveryWriter::remove(const std::string& path)
{
    submit([path] {
        return unlink(path.c_str()) != 0 && errno != ENOENT ? std::string(std::strerror(errno)) : std::string();
    });
}

void RecoveryWriter::submit(std::function<std::string()> work)
{
    const auto job = [work = std::move(work), outcome = outcome](const BackgroundRunner::CancelToken&) {
        // The token is not read: a copy half-written is no copy, and the
        // job after this one waits for it anyway.
        const std::string error = work();
        std::lock_guard<std::mutex> lock(outcome->mutex);
        outcome->ready = true;
        outcome->error = error;
    };
    // No thread to be had: the job runs here rather than not at all.
    if (!runner.submit(job)) job(BackgroundRunner::CancelToken(nullptr));
}

bool RecoveryWriter::takeOutcome(std::string* error)
{
    std::lock_guard<std::mutex> lock(outcome->mutex);
    if (!outcome->ready) return false;
    outcome->ready = false;
    *error = outcome->error;
    return true;
}

void RecoveryWriter::drain()
{
    runner.waitUntilIdle();
}
