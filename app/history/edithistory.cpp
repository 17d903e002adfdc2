#include "app/history/edithistory.h"

#include "layers/layerclone.h"

namespace {
const std::string noLabel;
} // namespace

EditHistory::EditHistory(std::size_t maxBytes, std::size_t maxSteps) : byteLimit(maxBytes), stepLimit(maxSteps) {}

EditHistory::~EditHistory() = default;

std::size_t EditHistory::measure(const CompositionRef& composition)
{
    // The settings live in the step's own record.
    return copyBytes(composition.tree);
}

void EditHistory::begin(const CompositionRef& now, const LayerLocation& where, const std::string& label)
{
    pendingBegun = true;
    pendingScene.reset();
    pendingLabel = label;
    pendingComposition = Composition(now);
    pendingWhere = where;
}

void EditHistory::markSaved(const std::string& path)
{
    scene->path = path;
    scene->savedId = currentId;
}

void EditHistory::openScene(const std::string& path, bool saved)
{
    // Never the id of a composition: an unsaved scene stays modified until
    // it is saved.
    SceneRecord opened = std::make_shared<SceneFile>(SceneFile{path, nextId++});
    if (pendingBegun) {
        pendingScene = std::move(opened);
        pendingSaved = saved;
        return;
    }
    if (saved) opened->savedId = currentId;
    scene = std::move(opened);
}

void EditHistory::applyPendingScene()
{
    if (!pendingScene) return;
    if (pendingSaved) pendingScene->savedId = currentId;
    scene = std::move(pendingScene);
    pendingScene.reset();
}

void EditHistory::cancel()
{
    pendingScene.reset();
    pendingBegun = false;
    pendingLabel.clear();
    pendingComposition = Composition();
    pendingWhere = LayerLocation();
}

bool EditHistory::commit(const CompositionRef& now, const LayerLocation& where)
{
    if (!pendingBegun) return false;
    if (sameComposition(pendingComposition.ref(), now)) {
        // No step, but a scene it opened is opened: the same composition,
        // now from another file.
        applyPendingScene();
        cancel();
        return false;
    }
    Step step;
    step.label = pendingLabel;
    step.composition = std::move(pendingComposition);
    step.compositionId = currentId;
    step.before = pendingWhere;
    step.after = where;
    step.sceneBefore = scene;
    currentId = nextId++;
    applyPendingScene();   // with the new composition's id
    step.sceneAfter = scene;
    cancel();

    while (!redoSteps.empty()) pop(redoSteps);
    push(undoSteps, std::move(step));
    enforceBounds();
    return true;
}

const std::string& EditHistory::undoLabel() const
{
    return undoSteps.empty() ? noLabel : undoSteps.back().label;
}

const std::string& EditHistory::redoLabel() const
{
    return redoSteps.empty() ? noLabel : redoSteps.back().label;
}

EditHistory::Restore EditHistory::undo(const CompositionRef& current)
{
    return swapStep(undoSteps, redoSteps, current, /*undoing=*/true);
}

EditHistory::Restore EditHistory::redo(const CompositionRef& current)
{
    return swapStep(redoSteps, undoSteps, current, /*undoing=*/false);
}

// Undo and redo are one move in opposite directions: the step's composition
// comes back, and the composition shown now becomes the step that leads
// back to it.
EditHistory::Restore EditHistory::swapStep(std::deque<Step>& from, std::deque<Step>& to,
                                           const CompositionRef& current, bool undoing)
{
    Restore r;
    if (from.empty() || pendingBegun) return r;
    Step step = pop(from);
    Step back;
    back.label = step.label;
    back.composition = Composition(current);
    back.compositionId = currentId;
    back.before = step.before;
    back.after = step.after;
    back.sceneBefore = step.sceneBefore;
    back.sceneAfter = step.sceneAfter;

    currentId = step.compositionId;
    scene = undoing ? step.sceneBefore : step.sceneAfter;
    r.composition = std::move(step.composition);
    r.where = undoing ? step.before : step.after;
    r.label = step.label;
    push(to, std::move(back));
    enforceBounds();
    return r;
}

void EditHistory::clear()
{
    undoSteps.clear();
    redoSteps.clear();
    heldBytes = 0;
}

void EditHistory::push(std::deque<Step>& steps, Step step)
{
    step.bytes = measure(step.composition.ref()) + sizeof(Step) + step.label.capacity() +
                 (step.before.path.capacity() + step.after.path.capacity()) * sizeof(int);
    heldBytes += step.bytes;
    steps.push_back(std::move(step));
}

EditHistory::Step EditHistory::pop(std::deque<Step>& steps)
{
    Step step = std::move(steps.back());
    steps.pop_back();
    heldBytes -= step.bytes;
    return step;
}

void EditHistory::enforceBounds()
{
    // The oldest undo steps go first; redo steps only when the undo steps
    // are gone and the redo steps alone are too many (a huge composition),
    // the furthest first.
    while ((heldBytes > byteLimit || undoSteps.size() + redoSteps.size() > stepLimit) && !undoSteps.empty()) {
        heldBytes -= undoSteps.front().bytes;
        undoSteps.pop_front();
    }
    while ((heldBytes > byteLimit || redoSteps.size() > stepLimit) && !redoSteps.empty()) {
        heldBytes -= redoSteps.front().bytes;
        redoSteps.pop_front();
    }
}
