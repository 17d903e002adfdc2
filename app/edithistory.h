#pragma once
// The undo history of the composition: exact copies of the composition (its
// layer tree and the scene's settings) taken around every edit, and where in
// the tree the user was.
//
// It is storage and bookkeeping only. The controller tells it when an edit
// begins (begin: a copy of the tree as it is) and when it is done (commit:
// a step is recorded only when the tree changed); undo and redo hand back
// the tree to install and where to put the user. The composition shown is
// never held here, only the others, so an edit costs one copy of the tree.
//
// Bounds: at most maxSteps steps and maxBytes of copies; the oldest steps
// go first. A copy is measured as what it allocates (copyBytes: its layer
// objects and what their copied fields hold; copies have no pixels and no
// texture).
//
// Modified: every composition the history has seen has an id; the one last
// loaded or saved is remembered, so undoing back to it is "not modified".
#include "layers/composition.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

// Where the user is: the input-layer path from the base layer (the index of
// the variable followed at each level) and the selected variable there.
struct LayerLocation {
    std::vector<int> path;
    int variable = 0;

    bool operator==(const LayerLocation& o) const { return path == o.path && variable == o.variable; }
};

class EditHistory {
public:
    static constexpr std::size_t defaultMaxBytes = std::size_t(64) << 20;   // 64 MiB
    static constexpr std::size_t defaultMaxSteps = 1000;

    explicit EditHistory(std::size_t maxBytes = defaultMaxBytes, std::size_t maxSteps = defaultMaxSteps);
    ~EditHistory();
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    // An edit starts on composition now (a null tree: none). Takes the copy
    // that undo will give back. An edit already begun is dropped.
    void begin(const CompositionView& now, const LayerLocation& where, const std::string& label);
    bool editing() const { return pendingBegun; }
    const std::string& editLabel() const { return pendingLabel; }
    // The edit begun is done; now is the composition now, where the user is
    // now. Records a step, and drops every redo step, only when the
    // composition differs from the one at begin. Returns whether it did.
    bool commit(const CompositionView& now, const LayerLocation& where);
    // Forgets the edit begun, recording nothing.
    void cancel();

    bool canUndo() const { return !undoSteps.empty(); }
    bool canRedo() const { return !redoSteps.empty(); }
    const std::string& undoLabel() const;   // the step undo would take back
    const std::string& redoLabel() const;

    // What undo and redo hand back: the composition to install (a null tree
    // for none), where to put the user, and the step's name.
    struct Restore {
        Composition composition;
        LayerLocation where;
        std::string label;
    };
    // Takes back the last step: current is the composition shown now, which
    // is copied for redo. The location is where the step was made.
    // Nothing to undo (or an edit begun): an empty label and nothing else.
    Restore undo(const CompositionView& current);
    // Makes the last undone step again; the location is where the user was
    // right after making it.
    Restore redo(const CompositionView& current);

    // The composition shown now is the one in its file (loaded or saved).
    void markSaved() { savedId = currentId; }
    // The composition shown is in no file (recovered from a copy of unsaved
    // work): modified until it is saved.
    void markUnsaved() { savedId = nextId++; }
    // Whether the composition shown differs from the one last loaded or
    // saved (from the one at start-up before that).
    bool modified() const { return currentId != savedId; }

    std::size_t undoCount() const { return undoSteps.size(); }
    std::size_t redoCount() const { return redoSteps.size(); }
    // The memory the copies and their records take, as bounded.
    std::size_t bytes() const { return heldBytes; }
    std::size_t maxBytes() const { return byteLimit; }
    // Forgets every step (the composition shown is kept).
    void clear();

    // The memory a copy of this composition takes, as counted here; a
    // step adds its record to it.
    static std::size_t measure(const CompositionView& composition);

private:
    struct Step {
        std::string label;
        Composition composition;   // before the step (undo) or after it (redo)
        std::uint64_t compositionId = 0;
        LayerLocation before;   // where the step was made
        LayerLocation after;    // where the user was right after it
        std::size_t bytes = 0;
    };

    void push(std::deque<Step>& steps, Step step);
    Step pop(std::deque<Step>& steps);
    Restore swapStep(std::deque<Step>& from, std::deque<Step>& to, const CompositionView& current, bool undoing);
    void enforceBounds();

    std::size_t byteLimit;
    std::size_t stepLimit;
    std::deque<Step> undoSteps;   // oldest first
    std::deque<Step> redoSteps;   // the next redo last
    std::size_t heldBytes = 0;

    bool pendingBegun = false;
    std::string pendingLabel;
    Composition pendingComposition;
    LayerLocation pendingWhere;

    std::uint64_t currentId = 0;
    std::uint64_t savedId = 0;
    std::uint64_t nextId = 1;
};
