#pragma once
#include <string>

// The question asked at start when recovery copies of viewers that are gone
// exist. The viewer installs the platform's modal dialog; tests install one
// that answers as told. Closing the dialog any other way, or having no
// dialog at all, is NotNow: a question that was not answered loses nothing.
class RecoveryQuestion {
public:
    enum class Answer { Recover, Discard, NotNow };

    virtual ~RecoveryQuestion() = default;
    // sceneName: the newest copy's scene file name, or empty for an
    // untitled one; editedAt: the time of its last edit, as shown; others:
    // how many other copies there are.
    virtual Answer ask(const std::string& sceneName, const std::string& editedAt, int others) = 0;
};
