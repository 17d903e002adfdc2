#include "app/recovery/recoverykeeper.h"

#include "app/layercontrols.h"
#include "persistence/storedranges.h"
#include "layers/layerpath.h"
#include "layers/viewresize.h"
#include "app/history/windowtitle.h"
#include "layers/layerclone.h"
#include "layers/layercompare.h"
#include "layers/renderable.h"
#include "persistence/counttext.h"
#include "persistence/commands/filechooser.h"

#include <ctime>
#include <vector>

namespace recoverytext {

std::string isoTime(std::chrono::system_clock::time_point t)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm utc {};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string shownTime(const std::string& iso)
{
    std::tm utc {};
    const char* end = strptime(iso.c_str(), "%Y-%m-%dT%H:%M:%SZ", &utc);
    if (!end || *end) return iso;
    const std::time_t seconds = timegm(&utc);
    std::tm local {};
    localtime_r(&seconds, &local);
    char text[64];
    std::strftime(text, sizeof text, "%e %b %Y, %H:%M", &local);
    return text[0] == ' ' ? text + 1 : text;
}

} // namespace recoverytext

namespace {

// What a copy holds beside the composition: the scene's path and the
// current layer. A copy is written again when either changed.
std::string originKey(const LayerControls& controls)
{
    return controls.history.scenePath() + '\n' + (controls.currentLayer ? layerpath::variablePath(*controls.currentLayer) : "");
}

// The recovered composition becomes the one shown, unsaved, with its file
// and current layer; the undo history starts at it.
void installRecovered(LayerControls& controls, scenefile::ReadResult& copy)
{
    controls.sceneSettings = copy.settings;
    controls.setBaseLayer(copy.baseLayer.release());
    Renderable* base = controls.baseLayer();
    // The views as the user last set them, at this drawing area's size.
    if (base && controls.viewportWidth > 0 && controls.viewportHeight > 0)
        viewresize::resizeKeepingScale(*base, controls.viewportWidth, controls.viewportHeight);
    if (base && !copy.origin.currentLayer.empty()) {
        std::string error;
        // The tree is the controller's own: the path only names a layer of it.
        if (const Renderable* layer = layerpath::find(*base, copy.origin.currentLayer, &error)) {
            controls.currentLayer = const_cast<Renderable*>(layer);
            controls.refreshPanel();
        }
    }
    if (controls.fileChooser && copy.origin.titled) controls.fileChooser->startNextInFolderOf(copy.origin.scenePath);
    controls.history.edits.clear();
    // The copy's file (or none) is the scene's, unsaved until it is saved.
    controls.history.edits.openScene(copy.origin.titled ? copy.origin.scenePath : std::string(), /*saved=*/false);
    controls.history.refreshButtons();
    controls.redrawRequested = true;
}

std::string sceneName(const scenefile::CopyOrigin& origin)
{
    return origin.titled ? windowtitle::fileName(origin.scenePath) : std::string();
}

} // namespace

RecoveryKeeper::RecoveryKeeper(const std::string& directory) : folder(directory) {}

bool RecoveryKeeper::say(LayerControls& controls, const std::string& text)
{
    controls.infoLine.report(text);
    return true;
}

bool RecoveryKeeper::offer(LayerControls& controls, RecoveryQuestion* question, Start start)
{
    return prepare(controls, start) && resolve(controls, question);
}

bool RecoveryKeeper::prepare(LayerControls& controls, Start start)
{
    starting = start;
    if (start == Start::skip) return false;
    std::vector<recoveryfolder::Orphan> orphans = folder.findOrphans();

    // Every copy is read: one that cannot be is never offered, and is moved
    // aside so that it does not come back. The newest readable one is kept.
    std::string aside;
    for (recoveryfolder::Orphan& orphan : orphans) {
        scenefile::ReadResult copy = scenefile::read(orphan.copyPath);
        if (!copy.baseLayer) {
            const std::string moved = folder.moveAside(orphan);
            if (!moved.empty())
                aside += (aside.empty() ? "" : "; ") + std::string("recovery copy ") + moved +
                         " could not be read (" + copy.error + ") and was moved aside";
            continue;
        }
        // Copies are listed oldest first by their files; a copy's own time
        // of its last edit decides where it says one.
        const std::string time = copy.isCopy ? copy.origin.editedAt : std::string();
        if (offered.empty() || time >= newestTime) {
            newest = std::move(copy);
            newestIndex = offered.size();
            newestTime = time;
        }
        offered.push_back(orphan);
    }
    if (!aside.empty()) say(controls, "The " + aside);
    if (offered.empty() && start == Start::recover) say(controls, "No recovery copy to open");
    return !offered.empty();
}

bool RecoveryKeeper::resolve(LayerControls& controls, RecoveryQuestion* question)
{
    if (offered.empty()) return false;
    RecoveryQuestion::Answer answer = RecoveryQuestion::Answer::Recover;
    if (starting == Start::ask) {
        const int others = static_cast<int>(offered.size()) - 1;
        answer = question ? question->ask(sceneName(newest.origin), recoverytext::shownTime(newestTime), others)
                          : RecoveryQuestion::Answer::NotNow;
    }
    recoveryfolder::Orphan& chosen = offered[newestIndex];
    bool recovered = false;
    switch (answer) {
    case RecoveryQuestion::Answer::Recover: {
        const int layers = static_cast<int>(countLayers(newest.baseLayer.get()));
        const std::string name = sceneName(newest.origin);
        installRecovered(controls, newest);
        // The copy is this viewer's own from now on, and is not offered again.
        folder.takeOver(chosen);
        copyKept = true;
        lastCopied = std::make_shared<const Composition>(controls.composition());
        lastOrigin = originKey(controls);
        // Values the copy stores outside their ranges are said once, as
        // after a load.
        const std::string outside = storedranges::note(controls.baseLayer());
        say(controls, "Recovered " + (name.empty() ? std::string("Untitled") : name) + " (" +
                          counttext::layers(layers) + "), last edited " + recoverytext::shownTime(newestTime) +
                          (outside.empty() ? "" : "; " + outside));
        recovered = true;
        break;
    }
    case RecoveryQuestion::Answer::Discard: folder.discard(chosen); break;
    case RecoveryQuestion::Answer::NotNow: break;
    }
    for (recoveryfolder::Orphan& orphan : offered) folder.release(orphan);
    offered.clear();
    newest = scenefile::ReadResult();
    return recovered;
}

bool RecoveryKeeper::tick(LayerControls& controls, Clock::time_point now)
{
    bool told = false;
    std::string error;
    if (writer.takeOutcome(&error)) {
        if (error.empty()) {
            failureTold = false;
        } else if (!failureTold) {
            failureTold = true;
            told = say(controls, "The recovery copy is not kept: " + error);
        }
    }

    const bool unsaved = controls.history.edits.modified() || controls.history.edits.editing();
    if (!unsaved) {
        due = false;
        if (copyKept) {
            writer.remove(folder.copyPath());
            copyKept = false;
        }
        lastCopied.reset();
        return told;
    }
    if (disabled) return told;
    if (!due) {
        due = true;
        dueAt = now + copyDelay;
        return told;
    }
    if (now < dueAt) return told;
    due = false;

    const std::string origin = originKey(controls);
    if (lastCopied && origin == lastOrigin && sameComposition(lastCopied->ref(), controls.composition())) return told;
    const std::string claimError = folder.claim();
    if (!claimError.empty()) {
        if (folder.lockless()) {
            disabled = true;
            return say(controls, "No recovery copy is kept: " + claimError);
        }
        // Tried again at the next edit, not at every tick.
        lastCopied = std::make_shared<const Composition>(controls.composition());
        lastOrigin = origin;
        if (failureTold) return told;
        failureTold = true;
        return say(controls, "The recovery copy is not kept: " + claimError);
    }
    copy(controls);
    return told;
}

void RecoveryKeeper::copy(LayerControls& controls)
{
    // On the main loop: an exact copy of the tree (the writer thread turns
    // it into text and writes it).
    lastCopied = std::make_shared<const Composition>(controls.composition());
    lastOrigin = originKey(controls);
    scenefile::CopyOrigin origin;
    origin.titled = !controls.history.scenePath().empty();
    origin.scenePath = controls.history.scenePath();
    origin.editedAt = recoverytext::isoTime(std::chrono::system_clock::now());
    origin.currentLayer = controls.currentLayer ? layerpath::variablePath(*controls.currentLayer) : std::string();
    writer.write(folder.copyPath(), lastCopied, origin);
    copyKept = true;
}

void RecoveryKeeper::cleanExit()
{
    writer.drain();
    folder.removeAll();
    copyKept = false;
    lastCopied.reset();
}
