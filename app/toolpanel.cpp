// The panel's tools beyond the layer controls: the image export, the path
// through the tree, the statistics of the current layer, and the pointer
// readout in the info line.
#include "app/layercontrols.h"

#include "app/editstep.h"
#include "app/exportsize.h"
#include "app/imageexporter.h"
#include "layers/layerpath.h"
#include "app/layerstats.h"
#include "app/pointerreadout.h"
#include "layers/viewresize.h"
#include "layers/renderable.h"
#include "app/questions/confirmation.h"
#include "persistence/commands/filechooser.h"
#include "ui/controls.h"

namespace {
const char* const exportLabel = "Export";
const char* const cancelExportLabel = "Cancel export";
} // namespace

void LayerControls::buildExportControls(ui::ControlWindow& w)
{
    exportButton = w.add_button(exportLabel, command(&LayerControls::onExportButton));
    exportButton->set_shares_row(true);   // "Seamless" beside it: the panel keeps its height
    seamlessCheckbox = w.add_checkbox("Seamless", command(&LayerControls::onSeamless));
    exportSizeField = w.add_edittext("Export size:", nullptr);
}

void LayerControls::buildViewTools(ui::ControlWindow& w)
{
    pathBar = w.add_pathbar("Layer path:", command(&LayerControls::onPathStep));
    statistics = w.add_histogram("Values in view:");
}

void LayerControls::refreshPath()
{
    if (!pathBar) return;
    std::vector<std::string> texts;
    for (const layerpath::Step& step : layerpath::stepsTo(currentLayer)) texts.push_back(step.text);
    pathBar->set_steps(std::move(texts));
}

void LayerControls::onPathStep()
{
    if (!pathBar || !currentLayer) return;
    const std::vector<layerpath::Step> steps = layerpath::stepsTo(currentLayer);
    const int index = pathBar->chosen();
    if (index < 0 || index >= static_cast<int>(steps.size())) return;
    Renderable* target = steps[static_cast<std::size_t>(index)].layer;
    if (target == currentLayer) return;
    currentLayer = target;
    refreshPanel();
    redrawRequested = true;
}

void LayerControls::showStatistics()
{
    if (!statistics) return;
    if (picture.pixels.empty()) {
        statistics->set("", {});
        return;
    }
    statistics->set(layerstats::caption(picture.stats), layerstats::bars(picture.stats));
}

void LayerControls::showPointer(int x, int y)
{
    // An outcome reported since the pointer last moved stays in view: the
    // window hears of the pointer again when a dialog closes, without a move.
    if (outcomeCoversPointer && x == pointerX && y == pointerY) return;
    outcomeCoversPointer = false;
    pointerX = x;
    pointerY = y;
    int i = 0, j = 0;
    if (tilePreview) {
        // The tile under the pointer is the layer at half size: a copy of
        // the tree at that size reads it.
        const viewresize::Size tile = tileSize();
        int tx = 0, ty = 0;
        if (!currentLayer ||
            !pointerreadout::tilePointAt(x, y, viewportWidth, viewportHeight, tile.width, tile.height, &tx, &ty)) {
            clearPointer();
            return;
        }
        Composition half(currentComposition());
        if (!half.tree) return;
        viewresize::resizeKeepingView(*half.tree, tile.width, tile.height);
        if (pointerreadout::pixelAt(*half.tree, tx, ty, tile.width, tile.height, &i, &j))
            setHoverText(pointerreadout::text(*half.tree, i, j));
        return;
    }
    if (!currentLayer || !pointerreadout::pixelAt(*currentLayer, x, y, viewportWidth, viewportHeight, &i, &j)) {
        clearPointer();
        return;
    }
    setHoverText(pointerreadout::text(*currentLayer, i, j));
}

void LayerControls::onSeamless()
{
    EditStep step(*this, "Seamless");
    sceneSettings.seamless = seamlessCheckbox && seamlessCheckbox->get_int_val() != 0;
    if (baseLayer()) applySettings(*baseLayer(), sceneSettings);
    redrawRequested = true;
}

viewresize::Size LayerControls::tileSize() const
{
    return viewresize::clampedSize(viewportWidth / 2, viewportHeight / 2);
}

void LayerControls::onTilePreview()
{
    tilePreview = !tilePreview;
    redrawRequested = true;
    reportOutcome(tilePreview ? "Tile preview: the picture at half size, 2 x 2" : "Tile preview off");
}

void LayerControls::clearPointer()
{
    setHoverText("");
}

void LayerControls::onExportButton()
{
    if (imageExporter && imageExporter->busy()) imageExporter->cancel();
    else onExportPng();
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
    // A big image takes long and fills a disk: the user says so first.
    const long long bytes = exportsize::rawBytes(width, height);
    if (bytes > exportsize::askAboveBytes) {
        const std::string size = exportsize::format(width, height);
        if (!confirmation ||
            !confirmation->confirm("Export an image of " + size + " pixels?",
                                   "Its pixels take " + exportsize::bytesText(bytes) +
                                       " before compression; the export takes long and can be cancelled.",
                                   "_Export")) {
            reportOutcome("Export of " + size + " pixels not started");
            return;
        }
    }
    std::string path = fileChooser->chooseImageFile();
    if (path.empty()) return;
    path = exportsize::withImageSuffix(path);
    // An exact copy, taken now: the user may go on editing while it renders.
    // At another size it shows the same view in more or fewer pixels.
    Composition copy(currentComposition());
    if (!copy.tree) return;
    if (width != copy.tree->textureWidth || height != copy.tree->textureHeight)
        viewresize::resizeKeepingView(*copy.tree, width, height);
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
        const char* label = imageExporter->busy() ? cancelExportLabel : exportLabel;
        if (exportButton && exportButton->label() != label) {
            exportButton->set_label(label);
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
