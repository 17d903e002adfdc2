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
// The scene's file: its path ("" while it has none) and which composition
// it holds. Every composition the history has seen has an id, and the file
// remembers the id it holds, so undoing back to it is "not modified". A
// command that replaces the whole composition (a load, a paste of a whole
// scene, an example) opens a new file record; the steps remember the record
// before and after them, so undo and redo bring back the scene's path and
// its saved state with its composition. A save changes the record it is
// made on: the steps made since the last replacement share it.
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
    void begin(const CompositionRef& now, const LayerLocation& where, const std::string& label);
    bool editing() const { return pendingBegun; }
    const std::string& editLabel() const { return pendingLabel; }
    // The edit begun is done; now is the composition now, where the user is
    // now. Records a step, and drops every redo step, only when the
    // composition differs from the one at begin. Returns whether it did.
    bool commit(const CompositionRef& now, const LayerLocation& where);
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
    Restore undo(const CompositionRef& current);
    // Makes the last undone step again; the location is where the user was
    // right after making it.
    Restore redo(const CompositionRef& current);

    // The composition shown now is the one in the file at path (it was
    // saved there, so that is the scene's path from now on).
    void markSaved(const std::string& path);
    // The composition shown now (or, while an edit is open, the one that
    // edit commits) replaces the scene: its path is path, and saved says
    // whether the file there holds it (a load) or not (an untitled paste, a
    // recovered copy). Undoing that edit brings back the scene before it.
    void openScene(const std::string& path, bool saved);
    // The scene's path: the file last loaded or saved ("" when none).
    const std::string& scenePath() const { return scene->path; }
    // Whether the composition shown differs from the one in the scene's
    // file (from the one at start-up before there is a file).
    bool modified() const { return currentId != scene->savedId; }

    std::size_t undoCount() const { return undoSteps.size(); }
    std::size_t redoCount() const { return redoSteps.size(); }
    // The memory the copies and their records take, as bounded.
    std::size_t bytes() const { return heldBytes; }
    std::size_t maxBytes() const { return byteLimit; }
    // Forgets every step (the composition shown is kept).
    void clear();

    // The memory a copy of this composition takes, as counted here; a
    // step adds its record to it.
    static std::size_t measure(const CompositionRef& composition);

private:
    struct SceneFile {
        std::string path;
        std::uint64_t savedId = 0;   // the composition the file holds; 0: none
    };
    using SceneRecord = std::shared_ptr<SceneFile>;

    struct Step {
        std::string label;
        Composition composition;   // before the step (undo) or after it (redo)
        std::uint64_t compositionId = 0;
        LayerLocation before;   // where the step was made
        LayerLocation after;    // where the user was right after it
        SceneRecord sceneBefore, sceneAfter;
        std::size_t bytes = 0;
    };

    void push(std::deque<Step>& steps, Step step);
    Step pop(std::deque<Step>& steps);
    Restore swapStep(std::deque<Step>& from, std::deque<Step>& to, const CompositionRef& current, bool undoing);
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
    std::uint64_t nextId = 1;
    // The start-up composition counts as saved: closing it loses nothing.
    SceneRecord scene = std::make_shared<SceneFile>();
    // openScene during an open edit: applied when it commits.
    SceneRecord pendingScene;
    bool pendingSaved = false;
    void applyPendingScene();
};
