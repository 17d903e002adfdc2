#include "app/export/exportcommands.h"

#include "app/export/exportsize.h"
#include "app/export/imageexport.h"
#include "app/export/imageexporter.h"
#include "app/layercontrols.h"
#include "app/questions/confirmation.h"
#include "layers/renderable.h"
#include "layers/viewresize.h"
#include "persistence/commands/filechooser.h"
#include "ui/controls.h"

namespace {
const char* const exportLabel = "Export";
const char* const cancelExportLabel = "Cancel export";
} // namespace

void ExportCommands::buildButton(ui::ControlWindow& w)
{
    exportButton = w.add_button(exportLabel, [this](int) { onExportButton(); });
    exportButton->set_shares_row(true);   // "Seamless" beside it: the panel keeps its height
}

void ExportCommands::buildSizeField(ui::ControlWindow& w)
{
    exportSizeField = w.add_edittext("Export size:", nullptr);
}

void ExportCommands::buildAspectSwitch(ui::ControlWindow& w)
{
    keepAspectBox = w.add_checkbox("Keep aspect", nullptr);
    keepAspectBox->set_int_val(1);
}

void ExportCommands::onExportButton()
{
    if (imageExporter && imageExporter->busy()) imageExporter->cancel();
    else onExport();
}

bool ExportCommands::mayExport(int width, int height, int bytesPerPixel, bool* asked)
{
    // A big image takes long and fills a disk: the user says so first.
    const double bytes = exportsize::rawBytes(width, height, bytesPerPixel);
    if (bytes <= static_cast<double>(exportsize::askAboveBytes)) return true;
    *asked = true;
    const std::string size = exportsize::format(width, height);
    if (confirmation && confirmation->confirm("Export an image of " + size + " pixels?",
                                              "Its pixels take " + exportsize::bytesText(bytes) +
                                                  " before compression; the export takes long and can be cancelled.",
                                              "_Export"))
        return true;
    controls.infoLine.report("Export of " + size + " pixels not started");
    return false;
}

void ExportCommands::onExport()
{
    if (!controls.currentLayer || !controls.fileChooser || !imageExporter) return;
    if (imageExporter->busy()) {
        controls.infoLine.report("An export is still running; try again when it has finished");
        return;
    }
    int width = 0, height = 0;
    std::string error;
    const std::string sizeText = exportSizeField ? exportSizeField->get_text() : std::string();
    if (!exportsize::parse(sizeText, controls.viewportWidth, controls.viewportHeight, &width, &height, &error)) {
        controls.infoLine.report(error);
        return;
    }
    // Asked with the bytes of the file the export writes: a PNG of the view
    // before the dialog, the file chosen after it, once.
    const ViewAs& view = controls.sceneSettings.viewAs;
    const auto pixelBytes = [&view](const std::string& path) {
        return imagewriter::bytesPerPixel(imagewriter::formatFor(path), imageexport::optionsFor(path, view));
    };
    bool asked = false;
    if (!mayExport(width, height, pixelBytes("view.png"), &asked)) return;
    std::string path = controls.fileChooser->chooseImageFile();
    if (path.empty()) return;
    path = exportsize::withImageSuffix(path);
    if (!asked && !mayExport(width, height, pixelBytes(path), &asked)) return;
    // An exact copy, taken now: the user may go on editing while it renders.
    // At another size it shows the same view in more or fewer pixels, or
    // the drawing area's picture scaled to the width.
    Composition copy(controls.currentComposition());
    if (!copy.tree) return;
    const drawingarea::Size shown{copy.tree->textureWidth, copy.tree->textureHeight};
    if (width != shown.width || height != shown.height) {
        if (keepAspectBox && keepAspectBox->get_int_val())
            viewresize::resizeKeepingAspect(*copy.tree, width, height, shown);
        else
            viewresize::resizeKeepingView(*copy.tree, width, height);
    }
    const std::string& scene = controls.history.scenePath();
    imageExporter->start(std::move(copy), path, scene.substr(scene.find_last_of('/') + 1));
    controls.infoLine.report("Exporting " + path + ": 0%");
}

bool ExportCommands::tick()
{
    bool changed = false;
    if (imageExporter) {
        const std::string text = imageExporter->poll();
        if (!text.empty()) {
            controls.infoLine.report(text);
            changed = true;
        }
        const char* label = imageExporter->busy() ? cancelExportLabel : exportLabel;
        if (exportButton && exportButton->label() != label) {
            exportButton->set_label(label);
            changed = true;
        }
    }
    if (exportSizeField) {
        const std::string size = exportsize::format(controls.viewportWidth, controls.viewportHeight);
        if (exportSizeField->hint() != size) {
            exportSizeField->set_hint(size);
            changed = true;
        }
    }
    return changed;
}

bool ExportCommands::pending() const
{
    return imageExporter && imageExporter->pending();
}
