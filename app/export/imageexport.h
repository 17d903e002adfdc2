#pragma once
// Writing the current layer as an image: the one place where a rendered
// layer becomes an export file, and the exporter that does it off the main
// loop with its progress for the info line.
#include "app/backgroundrunner.h"
#include "app/export/imageexporter.h"
#include "imageoutput/imagerender.h"
#include "layers/renderable.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace imageexport {

// The export writes through patternlens-render's writer, atomically: an
// 8-bit PNG as the view shows the values (grey: the same bytes the renderer
// writes for the same layer at that size; a normal map or colour ramp in
// RGB), for ".exr" and ".tif" the values themselves as 32-bit floats, and
// for ".glsl" and ".html" the layer's shader and web page. These are the
// options for path's suffix and the view.
imagewriter::RenderOptions optionsFor(const std::string& path, const ViewAs& view);

//
// An export on a thread of its own (a background runner, with the big stack
// a deep composition needs), behind the drawing area's render on the worker
// pool. The copy it renders shares nothing with the composition the user goes
// on editing.
class BackgroundExporter : public ImageExporter {
public:
    BackgroundExporter();
    // Cancels a running export and waits for it to stop, within a row: the
    // viewer closes at once, and the file is left as it was, never half
    // written.
    ~BackgroundExporter() override;
    BackgroundExporter(const BackgroundExporter&) = delete;
    BackgroundExporter& operator=(const BackgroundExporter&) = delete;

    bool busy() const override;
    void start(Composition composition, const std::string& path, const std::string& sceneName = "") override;
    void cancel() override;
    // "Exporting NAME: 42%" as rows finish, then "Exported NAME (WxH)",
    // "Cancelled the export of NAME" or "Could not export NAME: reason" once.
    std::string poll() override;
    bool pending() const override { return reporting; }

    // Waits until the running export, if any, has finished.
    void wait();

private:
    // What the export's job and the main loop share.
    struct Outcome {
        std::atomic<bool> done{false};
        std::atomic<int> percent{0};
        std::mutex mutex;
        std::string error;   // guarded by mutex
    };

    BackgroundRunner runner;
    std::shared_ptr<Outcome> outcome;
    bool reporting = false;           // from start until poll has told the outcome
    std::string path;
    int width = 0, height = 0;
    int reportedPercent = -1;
    bool cancelled = false;
};

} // namespace imageexport
