#pragma once
#include <string>

// A question with two answers, go ahead or not, asked before a command does
// something costly (an export of gigabytes). The viewer installs the
// platform's modal dialog; tests install one that answers as told. confirm
// blocks until the user answers; closing the dialog any other way, or having
// no dialog at all, is No: nothing costly starts unasked.
class Confirmation {
public:
    virtual ~Confirmation() = default;
    // question: the dialog's main line; detail: the line below it;
    // goAhead: the label of the button that says yes ("_Export").
    virtual bool confirm(const std::string& question, const std::string& detail, const std::string& goAhead) = 0;
};
