// The load and save commands behind "Load from XML" and "Save to XML".
//
// Neither command ever loses the user's work: a cancelled dialog, an
// unreadable or foreign file, or a file without layers leaves the composition,
// the current layer and the panel exactly as they were, and a failed save
// leaves any previous file untouched. Failures are reported in the info line
// with the file name and the reason.
#include "app/layercontrols.h"

#include "persistence/filechooser.h"
#include "ui/controls.h"

namespace {
bool endsWithXmlSuffix(const std::string& path)
{
    static const std::string suffix = ".xml";   // compared exactly, case-sensitively
    return path.size() >= suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
}
} // namespace

bool LayerControls::saveScene()
{
    if (!fileChooser) return false;
    std::string path = fileChooser->chooseSaveFile();
    if (path.empty()) return false;
    if (!endsWithXmlSuffix(path)) path += ".xml";
    std::string error;
    if (!writeSceneFile(path, &error)) {
        reportOutcome("Could not save " + path + ": " + error);
        return false;
    }
    sceneFileSaved(path);
    return true;
}

void LayerControls::loadScene()
{
    if (!fileChooser) return;
    const std::string path = fileChooser->chooseOpenFile();
    if (path.empty()) return;
    std::string error;
    // A load is one undo step: the composition it replaces comes back.
    beginEdit("Load " + path.substr(path.find_last_of('/') + 1));
    const bool loaded = readSceneFile(path, &error);
    commitEdit();
    if (!loaded) reportOutcome("Could not load " + path + ": " + error);
    else sceneFileOpened(path);
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
