// The load and save commands behind "Load from XML" and "Save to XML".
//
// Neither command ever loses the user's work: a cancelled dialog, an
// unreadable or foreign file, or a file without layers leaves the composition,
// the current layer and the panel exactly as they were, and a failed save
// leaves any previous file untouched. Every outcome but a cancel is reported
// in the info line: what was loaded or saved, or the file name and the reason.
//
// readSceneFile and writeSceneFile are the controller's side of the scene
// file (persistence/scenefile.h): the composition read is installed, the one
// held is written.
#include "app/layercontrols.h"

#include "app/column/examplefiles.h"
#include "app/drawingarearesize.h"
#include "persistence/storedranges.h"
#include "layers/layercompare.h"
#include "layers/renderable.h"
#include "persistence/counttext.h"
#include "persistence/commands/filechooser.h"
#include "ui/controls.h"

namespace {
bool endsWithXmlSuffix(const std::string& path)
{
    static const std::string suffix = ".xml";   // compared exactly, case-sensitively
    return path.size() >= suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
}
} // namespace

bool LayerControls::writeSceneFile(const std::string& path, std::string* error)
{
    const std::string e = scenefile::write(path, CompositionRef(baseLayer(), viewresize::settingsAsWritten(*this)));
    if (error) *error = e;
    return e.empty();
}

bool LayerControls::readSceneFile(const std::string& path, std::string* error, std::string* warning)
{
    scenefile::ReadResult r = scenefile::read(path);
    if (!r.baseLayer) {
        if (error) *error = r.error;
        return false;
    }
    if (error) error->clear();
    if (warning) *warning = r.warning;
    Composition scene = r.composition();
    sceneSettings = scene.settings;
    setBaseLayer(scene.tree.release());
    return true;
}

bool LayerControls::saveScene(bool ask)
{
    std::string path = history.scenePath();
    if (ask || path.empty()) {
        if (!fileChooser) return false;
        path = path.empty() ? fileChooser->chooseSaveFile() : fileChooser->chooseSaveFileAs(path);
        if (path.empty()) return false;
        if (!endsWithXmlSuffix(path)) path += ".xml";
    }
    std::string error;
    if (!writeSceneFile(path, &error)) {
        infoLine.report("Could not save " + path + ": " + error);
        return false;
    }
    history.edits.markSaved(path);
    infoLine.report("Saved " + path);
    return true;
}

bool LayerControls::openSceneFile(const std::string& path, bool asUndoStep)
{
    std::string error, warning;
    // A scene of the examples folder belongs to the program: it opens
    // untitled, as from the Examples column, however it was chosen, so
    // that no save writes over it, and the dialogs stay in the user's
    // folder.
    const bool example = examplefiles::isIn(path);
    // The dialogs go on in this scene's folder, whether or not it loads, as
    // after a choice in the dialog.
    if (fileChooser && !example) fileChooser->startNextInFolderOf(path);
    // A load is one undo step: the composition it replaces comes back, and
    // with it the scene's file and whether that holds it.
    if (asUndoStep) history.begin("Load " + path.substr(path.find_last_of('/') + 1));
    const bool loaded = readSceneFile(path, &error, &warning);
    if (loaded) history.edits.openScene(example ? std::string() : path, /*saved=*/true);
    if (asUndoStep) history.commit();
    if (!loaded) {
        infoLine.report("Could not load " + path + ": " + error);
        return false;
    }
    // Values the file keeps outside their ranges are kept, and said once;
    // so is what the reader took leniently (a seed it could not read).
    const std::string outside = storedranges::note(baseLayer());
    infoLine.report("Loaded " + path + " (" + counttext::layers(countLayers(baseLayers[0])) + ")" +
                  (outside.empty() ? "" : "; " + outside) + (warning.empty() ? "" : "; " + warning));
    return true;
}

void LayerControls::loadScene()
{
    if (!fileChooser) return;
    // Asked before the dialog: the user decides about the work in hand
    // first, and a cancelled question opens no dialog.
    if (!history.mayReplaceComposition()) return;
    const std::string path = fileChooser->chooseOpenFile();
    if (path.empty()) return;
    openSceneFile(path);
}

void LayerControls::onLoadFromXml()
{
    // The composition is replaced only when the file yields a base layer:
    // readSceneFile then installs it with setBaseLayer, which makes it current,
    // refreshes the panel and requests a redraw.
    loadScene();
}

void LayerControls::onSaveToXml()
{
    saveScene();
}
