#include "app/column/examplescolumn.h"

#include "app/layercontrols.h"
#include "app/column/previewsize.h"
#include "layers/layercompare.h"
#include "persistence/counttext.h"
#include "persistence/scenefile.h"
#include "ui/controls.h"

#include <map>

void ExamplesColumn::open()
{
    isOpen = true;
    examples = examplefiles::list();
    std::vector<Composition> scenes;
    std::vector<ui::LayerList::Row> rows;
    for (const examplefiles::Example& example : examples) {
        scenefile::ReadResult read = scenefile::read(example.path);
        scenes.emplace_back(std::move(read.baseLayer), read.settings);
        rows.push_back({0, "", example.name});
    }
    previews.start(std::move(scenes), previewsize::width,
                   previewsize::height(controls.viewportWidth, controls.viewportHeight));
    if (list) {
        list->set_rows(std::move(rows));
        list->set_current(-1);
        list->set_selected(-1);
        list->set_pictures({});
        list->scroll_to(0);
    }
    if (examples.empty()) controls.infoLine.report("No examples in " + examplefiles::directory());
}

void ExamplesColumn::close()
{
    isOpen = false;
    previews.clear(thread, controls.textureBackend);
    examples.clear();
    if (list) {
        list->set_rows({});
        list->set_pictures({});
    }
}

void ExamplesColumn::openExample(int row)
{
    if (row < 0 || row >= static_cast<int>(examples.size())) return;
    const examplefiles::Example example = examples[static_cast<std::size_t>(row)];
    HistoryCommands& history = controls.history;
    if (!history.mayReplaceComposition()) return;
    std::string error;
    history.begin("Open example " + example.name);
    const bool loaded = controls.readSceneFile(example.path, &error);
    // Untitled, so that a save never writes over the installed example (it
    // asks where); unmodified until it is edited. The dialogs stay in the
    // user's folder.
    if (loaded) history.edits.openScene("", /*saved=*/true);
    history.commit();
    if (!loaded) {
        controls.infoLine.report("Could not open " + example.path + ": " + error);
        return;
    }
    if (list) {
        list->set_current(row);
        list->set_selected(row);
    }
    controls.infoLine.report("Opened the example " + example.name + " (" +
                             counttext::layers(countLayers(controls.baseLayer())) + ")");
}

bool ExamplesColumn::update()
{
    if (!isOpen) return false;
    bool changed = previews.update(thread, controls.textureBackend);
    if (!list) return changed;
    list->set_picture_size(previewsize::width, previewsize::height(controls.viewportWidth, controls.viewportHeight));
    std::map<int, ui::LayerList::Picture> pictures;
    for (int row = 0; row < static_cast<int>(examples.size()); ++row) {
        const ExamplePreviews::Shown& shown = previews.shown(row);
        if (shown.made && shown.texture) pictures[row] = {shown.texture, shown.width, shown.height};
    }
    if (pictures != list->pictures()) {
        list->set_pictures(std::move(pictures));
        changed = true;
    }
    return changed;
}
