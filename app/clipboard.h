#pragma once
// The desktop's clipboard as the controller sees it: text offered to other
// programs, and text fetched for a paste. The viewer installs one that
// serves the X CLIPBOARD selection (x11clipboard.h); tests install their own.
#include <string>

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // text is the clipboard's content from now on, until another program
    // takes the clipboard over.
    virtual void offer(const std::string& text) = 0;
    // The clipboard's text: true with it in *text, or false with the reason
    // in *error (nothing in the clipboard, nothing that is text, no answer
    // in time).
    virtual bool fetch(std::string* text, std::string* error) = 0;
};
