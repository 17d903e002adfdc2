// The Examples column of LayerControls: the example scenes with their
// previews, in the column the layer tree uses when it is open.
#include "app/layercontrols.h"

#include "app/previewsize.h"
#include "layers/layercompare.h"
#include "persistence/counttext.h"
#include "persistence/scenefile.h"
#include "ui/controls.h"

void LayerControls::onExamples()
{
    // One column at a time: the tree makes way, in the same width.
    const bool columnShown = treeOpen || examplesOpen;
    if (treeOpen) closeTree();
    examplesOpen = !examplesOpen;
    if (examplesOpen) {
        examples = examplefiles::list();
        std::vector<Composition> scenes;
        std::vector<ui::LayerList::Row> rows;
        for (const examplefiles::Example& example : examples) {
            scenefile::ReadResult read = scenefile::read(example.path);
            scenes.emplace_back(std::move(read.baseLayer), read.settings);
            rows.push_back({0, "", example.name});
        }
        examplePreviews.start(std::move(scenes), previewsize::width, previewsize::height(viewportWidth, viewportHeight));
        if (layerList) {
            layerList->set_rows(std::move(rows));
            layerList->set_current(-1);
            layerList->set_selected(-1);
            layerList->set_pictures({});
            layerList->scroll_to(0);
        }
        if (examples.empty()) reportOutcome("No examples in " + examplefiles::directory());
    } else {
        closeExamples();
    }
    if (showTreeColumn && examplesOpen != columnShown) showTreeColumn(examplesOpen);
}

void LayerControls::closeExamples()
{
    examplesOpen = false;
    examplePreviews.clear(previews.thread(), textureBackend);
    examples.clear();
    if (layerList) {
        layerList->set_rows({});
        layerList->set_pictures({});
    }
}

void LayerControls::openExample(int row)
{
    if (row < 0 || row >= static_cast<int>(examples.size())) return;
    const examplefiles::Example example = examples[static_cast<std::size_t>(row)];
    if (!mayReplaceComposition()) return;
    std::string error;
    beginEdit("Open example " + example.name);
    const bool loaded = readSceneFile(example.path, &error);
    // Untitled, so that a save never writes over the installed example (it
    // asks where); unmodified until it is edited. The dialogs stay in the
    // user's folder.
    if (loaded) history.openScene("", /*saved=*/true);
    commitEdit();
    if (!loaded) {
        reportOutcome("Could not open " + example.path + ": " + error);
        return;
    }
    if (layerList) {
        layerList->set_current(row);
        layerList->set_selected(row);
    }
    reportOutcome("Opened the example " + example.name + " (" + counttext::layers(countLayers(baseLayer())) + ")");
}

bool LayerControls::updateExamples()
{
    if (!examplesOpen) return false;
    bool changed = examplePreviews.update(previews.thread(), textureBackend);
    if (!layerList) return changed;
    layerList->set_picture_size(previewsize::width, previewsize::height(viewportWidth, viewportHeight));
    std::map<int, ui::LayerList::Picture> pictures;
    for (int row = 0; row < static_cast<int>(examples.size()); ++row) {
        const ExamplePreviews::Shown& shown = examplePreviews.shown(row);
        if (shown.made && shown.texture) pictures[row] = {shown.texture, shown.width, shown.height};
    }
    if (pictures != layerList->pictures()) {
        layerList->set_pictures(std::move(pictures));
        changed = true;
    }
    return changed;
}
