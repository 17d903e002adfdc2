#include "app/edithistory.h"

#include "layers/layerclone.h"
#include "layers/layercompare.h"
#include "layers/renderable.h"

namespace {
std::unique_ptr<Renderable> copyOf(const Renderable* base)
{
    return base ? cloneLayerTree(*base) : nullptr;
}

const std::string noLabel;
} // namespace

EditHistory::EditHistory(std::size_t maxBytes, std::size_t maxSteps) : byteLimit(maxBytes), stepLimit(maxSteps) {}

EditHistory::~EditHistory() = default;

std::size_t EditHistory::measure(const Renderable* base)
{
    // Each layer of a copy is one allocation of the layer object (the types
    // add no fields of their own; the pixel vector of a copy stays empty).
    return static_cast<std::size_t>(countLayers(base)) * sizeof(Renderable);
}

void EditHistory::begin(const Renderable* base, const LayerLocation& where, const std::string& label)
{
    pendingBegun = true;
    pendingLabel = label;
    pendingComposition = copyOf(base);
    pendingWhere = where;
}

void EditHistory::cancel()
{
    pendingBegun = false;
    pendingLabel.clear();
    pendingComposition.reset();
    pendingWhere = LayerLocation();
}

bool EditHistory::commit(const Renderable* base, const LayerLocation& where)
{
    if (!pendingBegun) return false;
    if (sameLayerTree(pendingComposition.get(), base)) {
        cancel();
        return false;
    }
    Step step;
    step.label = pendingLabel;
    step.composition = std::move(pendingComposition);
    step.compositionId = currentId;
    step.before = pendingWhere;
    step.after = where;
    cancel();

    currentId = nextId++;
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

EditHistory::Restore EditHistory::undo(const Renderable* current)
{
    Restore r;
    if (undoSteps.empty() || pendingBegun) return r;
    Step step = pop(undoSteps);
    // The composition shown now is what redo gives back.
    Step redo;
    redo.label = step.label;
    redo.composition = copyOf(current);
    redo.compositionId = currentId;
    redo.before = step.before;
    redo.after = step.after;

    currentId = step.compositionId;
    r.base = std::move(step.composition);
    r.where = step.before;
    r.label = step.label;
    push(redoSteps, std::move(redo));
    enforceBounds();
    return r;
}

EditHistory::Restore EditHistory::redo(const Renderable* current)
{
    Restore r;
    if (redoSteps.empty() || pendingBegun) return r;
    Step step = pop(redoSteps);
    Step undo;
    undo.label = step.label;
    undo.composition = copyOf(current);
    undo.compositionId = currentId;
    undo.before = step.before;
    undo.after = step.after;

    currentId = step.compositionId;
    r.base = std::move(step.composition);
    r.where = step.after;
    r.label = step.label;
    push(undoSteps, std::move(undo));
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
    step.bytes = measure(step.composition.get()) + sizeof(Step) + step.label.capacity() +
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
