#pragma once
// The unsaved-changes question, answered as the test tells it.
#include "app/questions/unsavedchangesquestion.h"

#include <string>

struct ScriptedQuestion : UnsavedChangesQuestion {
    Answer answer = Answer::Cancel;
    int asked = 0;
    std::string lastName;
    Answer ask(const std::string& sceneName, Occasion) override { return ++asked, lastName = sceneName, answer; }
};
