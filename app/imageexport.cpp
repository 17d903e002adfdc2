#include "app/imageexport.h"

#include "layers/workerpool.h"
#include "tools/imagerender.h"

namespace imageexport {

std::string writeLayer(const Renderable& layer, const std::string& path, const ViewAs& view,
                       const std::function<void(long long doneRows, long long totalRows)>& progress)
{
    // The renderer's own writer: bands of rows streamed into the file, so a
    // big export takes memory for a band, not for the image.
    imagewriter::RenderOptions options;
    const imagewriter::Format format = imagewriter::formatFor(path);
    if (format == imagewriter::Format::Exr || format == imagewriter::Format::Tiff)
        options.depth = 32;
    else if (format == imagewriter::Format::Png)
        options.view = view;
    if (progress) options.progress = [&progress](long long done, long long total) {
        progress(done, total);
        return true;
    };
    return imagewriter::renderToFile(layer, path, options);
}

BackgroundExporter::~BackgroundExporter()
{
    wait();
}

bool BackgroundExporter::busy() const
{
    return running && !done.load();
}

void BackgroundExporter::wait()
{
    if (!running) return;
    pthread_join(thread, nullptr);
    running = false;
}

void BackgroundExporter::start(Composition newComposition, const std::string& newPath)
{
    if (!newComposition.tree) return;   // nothing to write
    wait();   // the last one has finished: busy() was false
    composition = std::move(newComposition);
    path = newPath;
    done = false;
    percent = 0;
    reportedPercent = -1;
    {
        std::lock_guard<std::mutex> lock(resultMutex);
        error.clear();
    }
    if (!WorkerPool::startDeepStackThread(&thread, threadMain, this)) {
        // No thread: the export runs here, as it would have there.
        threadMain(this);
        return;
    }
    running = true;
}

void* BackgroundExporter::threadMain(void* self)
{
    auto& exporter = *static_cast<BackgroundExporter*>(self);
    const std::string result =
        writeLayer(*exporter.composition.tree, exporter.path, exporter.composition.settings.viewAs,
                   [&exporter](long long done, long long total) {
            exporter.percent = static_cast<int>(100 * done / (total > 0 ? total : 1));
        });
    {
        std::lock_guard<std::mutex> lock(exporter.resultMutex);
        exporter.error = result;
    }
    exporter.done = true;
    return nullptr;
}

std::string BackgroundExporter::poll()
{
    const Renderable* layer = composition.tree.get();
    if (!layer) return {};
    if (done) {
        wait();
        std::string result;
        {
            std::lock_guard<std::mutex> lock(resultMutex);
            result = error;
        }
        const std::string size = std::to_string(layer->textureWidth) + "x" + std::to_string(layer->textureHeight);
        composition = Composition();   // the copy and its pixels go now
        if (!result.empty()) return "Could not export " + path + ": " + result;
        return "Exported " + path + " (" + size + ")";
    }
    const int now = percent;
    if (now == reportedPercent) return {};
    reportedPercent = now;
    return "Exporting " + path + ": " + std::to_string(now) + "%";
}

} // namespace imageexport
