#pragma once
// Writing the current layer as an image: the one place where a rendered
// layer becomes an export file, and the exporter that does it off the main
// loop with its progress for the info line.
#include "app/imageexporter.h"
#include "layers/renderable.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include <pthread.h>

namespace imageexport {

// Renders layer at its texture size and writes it to path, atomically,
// through patternlens-render's writer: an 8-bit PNG as view shows the
// values (grey: the same bytes the renderer writes for the same layer at
// that size; a normal map or colour ramp in RGB), or for ".exr" and ".tif"
// the values themselves as 32-bit floats. progress hears of finished rows.
// Returns an empty string on success, else the reason.
std::string writeLayer(const Renderable& layer, const std::string& path, const ViewAs& view = ViewAs(),
                       const std::function<void(long long doneRows, long long totalRows)>& progress = nullptr);

// An export on a thread of its own, with the big stack a deep composition
// needs. The copy it renders shares nothing with the composition the user
// goes on editing.
class BackgroundExporter : public ImageExporter {
public:
    BackgroundExporter() = default;
    // Waits for a running export: its file is finished, never left half done.
    ~BackgroundExporter() override;
    BackgroundExporter(const BackgroundExporter&) = delete;
    BackgroundExporter& operator=(const BackgroundExporter&) = delete;

    bool busy() const override;
    void start(Composition composition, const std::string& path) override;
    // "Exporting NAME: 42%" as rows finish, then "Exported NAME (WxH)" or
    // "Could not export NAME: reason" once.
    std::string poll() override;
    bool pending() const override { return composition.tree != nullptr; }

    // Waits until the running export, if any, has finished.
    void wait();

private:
    static void* threadMain(void* self);

    Composition composition;
    std::string path;
    pthread_t thread{};
    bool running = false;             // a thread was started and not yet joined
    std::atomic<bool> done{false};
    std::atomic<int> percent{0};
    int reportedPercent = -1;
    std::mutex resultMutex;
    std::string error;                // guarded by resultMutex
};

} // namespace imageexport
