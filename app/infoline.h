#pragma once
// What the info line says. Several things want the one line, and the most
// immediate wins: the text of a running drag, then what lies under the
// pointer over the drawing area, then the outcome of the last command. An
// outcome stays until the next one replaces it: a drag or the pointer only
// cover it for as long as they last.
#include <string>

class InfoLine {
public:
    void setOutcome(const std::string& text) { outcome_ = text; }
    // "" when no drag runs.
    void setDragText(const std::string& text) { drag_ = text; }
    // "" when the pointer is not over the drawing area, or has nothing to say.
    void setHoverText(const std::string& text) { hover_ = text; }

    const std::string& outcome() const { return outcome_; }
    // The text the line shows now.
    const std::string& text() const
    {
        if (!drag_.empty()) return drag_;
        if (!hover_.empty()) return hover_;
        return outcome_;
    }

private:
    std::string outcome_;
    std::string drag_;
    std::string hover_;
};
