// The panel's tools beyond the layer controls: the image export.
#include "app/layercontrols.h"

#include "app/exportsize.h"
#include "app/imageexporter.h"
#include "app/viewresize.h"
#include "layers/layerclone.h"
#include "layers/renderable.h"
#include "persistence/filechooser.h"
#include "ui/controls.h"

namespace {
template <void (LayerControls::*Member)()>
void forward(int /*id*/)
{
    if (LayerControls::instance) (LayerControls::instance->*Member)();
}
} // namespace

void LayerControls::buildToolControls(ui::ControlWindow& w)
{
    exportButton = w.add_button("Export PNG", -1, forward<&LayerControls::onExportPng>);
    exportSizeField = w.add_edittext("Export size:", -1, nullptr);
}

void LayerControls::onExportPng()
{
    if (!currentLayer || !fileChooser || !imageExporter) return;
    if (imageExporter->busy()) {
        reportOutcome("An export is still running; try again when it has finished");
        return;
    }
    int width = 0, height = 0;
    std::string error;
    const std::string sizeText = exportSizeField ? exportSizeField->get_text() : std::string();
    if (!exportsize::parse(sizeText, viewportWidth, viewportHeight, &width, &height, &error)) {
        reportOutcome(error);
        return;
    }
    std::string path = fileChooser->chooseImageFile();
    if (path.empty()) return;
    path = exportsize::withPngSuffix(path);
    // An exact copy, taken now: the user may go on editing while it renders.
    // At another size it shows the same view in more or fewer pixels.
    std::unique_ptr<Renderable> copy = cloneLayerTree(*currentLayer);
    if (!copy) return;
    if (width != copy->textureWidth || height != copy->textureHeight)
        viewresize::resizeKeepingView(*copy, width, height);
    imageExporter->start(std::move(copy), path);
    reportOutcome("Exporting " + path + ": 0%");
}

bool LayerControls::onTick()
{
    bool changed = false;
    if (imageExporter) {
        const std::string text = imageExporter->poll();
        if (!text.empty()) {
            reportOutcome(text);
            changed = true;
        }
    }
    if (exportSizeField) {
        const std::string size = exportsize::format(viewportWidth, viewportHeight);
        if (exportSizeField->hint() != size) {
            exportSizeField->set_hint(size);
            changed = true;
        }
    }
    return changed;
}
