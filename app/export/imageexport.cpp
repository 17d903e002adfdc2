#include "app/export/imageexport.h"

#include <chrono>
#include <thread>

namespace imageexport {

imagewriter::RenderOptions optionsFor(const std::string& path, const ViewAs& view)
{
    imagewriter::RenderOptions options;
    const imagewriter::Format format = imagewriter::formatFor(path);
    if (format == imagewriter::Format::Exr || format == imagewriter::Format::Tiff)
        options.depth = 32;
    else if (format == imagewriter::Format::Png)
        options.view = view;
    return options;
}

BackgroundExporter::BackgroundExporter() : runner(BackgroundRunner::Priority::normal) {}

BackgroundExporter::~BackgroundExporter()
{
    runner.shutDown();
}

bool BackgroundExporter::busy() const
{
    return reporting && !outcome->done.load() && runner.busy();
}

void BackgroundExporter::wait()
{
    while (busy()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void BackgroundExporter::cancel()
{
    if (!busy()) return;
    cancelled = true;
    runner.cancel();
}

void BackgroundExporter::start(Composition composition, const std::string& newPath, const std::string& sceneName)
{
    if (!composition.tree) return;   // nothing to write
    wait();   // the last one has finished: busy() was false
    auto copy = std::make_shared<Composition>(std::move(composition));
    outcome = std::make_shared<Outcome>();
    path = newPath;
    width = copy->tree->textureWidth;
    height = copy->tree->textureHeight;
    reportedPercent = -1;
    cancelled = false;
    reporting = true;
    // The job holds what it reads and writes: the copy, the path and the
    // outcome it shares with this object.
    BackgroundRunner::Job job = [copy, target = newPath, sceneName, shared = outcome](const BackgroundRunner::CancelToken& token) {
        imagewriter::RenderOptions options = optionsFor(target, copy->settings.viewAs);
        options.sceneName = sceneName;
        options.stop = token.stopFlag();
        options.threads = rowloop::Threads::background;
        options.progress = [&shared](long long done, long long total) {
            shared->percent = static_cast<int>(100 * done / (total > 0 ? total : 1));
            return true;
        };
        const std::string result = imagewriter::renderToFile(*copy->tree, target, options);
        {
            std::lock_guard<std::mutex> lock(shared->mutex);
            shared->error = result;
        }
        shared->done = true;
    };
    if (!runner.submit(job)) {
        // No thread: the export runs here, as it would have there.
        std::atomic<bool> never{false};
        job(BackgroundRunner::CancelToken(&never));
    }
}

std::string BackgroundExporter::poll()
{
    if (!reporting) return {};
    // A job cancelled before it began never runs: the runner is idle and
    // nothing is done. The runner is asked first, since a job it has
    // finished has set done.
    const bool runnerIdle = !runner.busy();
    if (outcome->done || runnerIdle) {
        reporting = false;
        if (!outcome->done) return "Cancelled the export of " + path;
        std::string result;
        {
            std::lock_guard<std::mutex> lock(outcome->mutex);
            result = outcome->error;
        }
        if (cancelled && result == "cancelled") return "Cancelled the export of " + path;
        if (!result.empty()) return "Could not export " + path + ": " + result;
        return "Exported " + path + " (" + std::to_string(width) + "x" + std::to_string(height) + ")";
    }
    const int now = outcome->percent;
    if (now == reportedPercent) return {};
    reportedPercent = now;
    return "Exporting " + path + ": " + std::to_string(now) + "%";
}

} // namespace imageexport
