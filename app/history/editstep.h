#pragma once
// One undoable edit of the composition for the length of a scope: the
// command's body runs between the history's begin and commit, whichever way
// it returns.
#include "app/history/historycommands.h"

class EditStep {
public:
    EditStep(HistoryCommands& history, const char* label) : history(history) { history.begin(label); }
    ~EditStep() { history.commit(); }
    EditStep(const EditStep&) = delete;
    EditStep& operator=(const EditStep&) = delete;

private:
    HistoryCommands& history;
};
