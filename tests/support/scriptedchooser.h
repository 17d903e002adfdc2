#pragma once
// A file chooser that answers with the path the test sets, as if the user
// had picked it; an empty path is a cancelled dialog.
#include "persistence/commands/filechooser.h"

#include <string>

struct ScriptedChooser : FileChooser {
    std::string path;
    int asked = 0;
    std::string chooseSaveFile() override { return ++asked, path; }
    std::string chooseOpenFile() override { return ++asked, path; }
    std::string suggested;   // what the last save dialog had filled in
    std::string chooseSaveFileAs(const std::string& name) override { return suggested = name, chooseSaveFile(); }
};
