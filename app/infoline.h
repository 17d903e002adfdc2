#pragma once
// What the info line says. Several things want the one line, and the most
// immediate wins: the text of a running drag, then what lies under the
// pointer over the drawing area, then the outcome of the last command. An
// outcome stays until the next one replaces it: a drag or the pointer only
// cover it for as long as they last.
//
// Every command that has something to tell the user (a load, a save, a
// failure) says it here, with report, and only here.
#include <string>

namespace ui {
class EditText;
}

class InfoLine {
public:
    // The control that shows the line; none: the texts are only kept.
    void setField(ui::EditText* field);

    // An outcome to tell: it replaces the pointer readout, which comes back
    // when the pointer next moves (coversPointer until then).
    void report(const std::string& text);
    void setOutcome(const std::string& text);
    // "" when no drag runs.
    void setDragText(const std::string& text);
    // "" when the pointer is not over the drawing area, or has nothing to say.
    void setHoverText(const std::string& text);

    const std::string& outcome() const { return outcome_; }
    // The text the line shows now.
    const std::string& text() const;

    // An outcome came after the pointer's last move: the readout waits for
    // the pointer to move again before it takes the line back.
    bool coversPointer = false;

private:
    void show();
    ui::EditText* field = nullptr;   // not owned
    std::string outcome_;
    std::string drag_;
    std::string hover_;
};
