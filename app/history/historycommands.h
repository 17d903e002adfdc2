#pragma once
// Undo and redo of the composition, and what the viewer knows of unsaved
// changes: the commands around EditHistory. Every edit of the composition
// runs between begin and commit (EditStep does both for a scope): one undo
// step, recorded only when the composition changed.
#include "app/history/edithistory.h"
#include "app/questions/unsavedchangesquestion.h"

#include <string>

class LayerControls;
enum class MouseMode : int;

namespace ui {
class Button;
class ControlWindow;
} // namespace ui

class HistoryCommands {
public:
    explicit HistoryCommands(LayerControls& controls) : controls(controls) {}

    // "Undo" and "Redo", side by side on the row they begin.
    void build(ui::ControlWindow& window);

    // An edit begun while another is open (a drag) first closes that one as
    // its own step, which goes on as a new one once this edit is done.
    void begin(const std::string& label);
    void commit();
    // A drag is one step from the press that starts it to the release that
    // ends it: the shell passes each button's change of the drag mode.
    void dragModeChanged(MouseMode before, MouseMode after);
    void onUndo();
    void onRedo();
    void refreshButtons();

    // Where the user is, and going back there in the composition shown.
    LayerLocation currentLocation() const;
    void showLocation(const LayerLocation& where);

    // The scene's file: the one last loaded or saved ("" when none). It is
    // part of what undo restores (EditHistory::openScene and markSaved).
    const std::string& scenePath() const { return edits.scenePath(); }
    bool isModified() const { return edits.modified(); }
    // The main window's title: the file's name once there is one, and
    // whether the composition differs from it.
    std::string windowTitle() const;
    // Closing the viewer: true when it may close now. With unsaved changes
    // it asks whether to save them, discard them or stay open.
    bool confirmClose();
    // Every command that replaces the whole composition (a load, before its
    // dialog opens; a paste of a scene; an example) asks this first: true
    // when it may go on. With unsaved changes it asks the closing question:
    // save them (to the scene's file, else through the save dialog),
    // discard them, or cancel the command. A drag still held counts.
    bool mayReplaceComposition();

    EditHistory edits;
    UnsavedChangesQuestion* closeQuestion = nullptr;   // not owned
    ui::Button* undoButton = nullptr;
    ui::Button* redoButton = nullptr;

private:
    void move(bool undoing);
    bool askAboutUnsavedChanges(UnsavedChangesQuestion::Occasion occasion);
    LayerControls& controls;
    std::string interruptedEdit;   // a drag's step, reopened after the edit that closed it
};
