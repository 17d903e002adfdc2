#pragma once
#include <string>

// The question asked before unsaved changes would be lost: the viewer is
// being closed, or a command is about to replace the whole composition. The viewer installs the platform's modal dialog; tests
// install one that answers as told. ask blocks until the user answers;
// closing the dialog any other way, or having no dialog at all, is Cancel:
// nothing is ever lost by a question that was not answered.
class UnsavedChangesQuestion {
public:
    enum class Answer { Save, Discard, Cancel };
    // What the changes would be lost to, for the question's words.
    enum class Occasion { Close, Replace };

    virtual ~UnsavedChangesQuestion() = default;
    // sceneName: the file's name, or empty when the composition has none.
    virtual Answer ask(const std::string& sceneName, Occasion occasion) = 0;
};
