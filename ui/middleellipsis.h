#pragma once
// Fitting a long text into a field of fixed width: the middle gives way to
// "...", so the start (what happened) and the end (the file name, the
// reason) both stay in view.
#include <functional>
#include <string>

namespace ui {

// text when it fits within maxWidth, as measured by width; otherwise its
// longest start and end around "..." that fit, the start getting the extra
// character when the two cannot be equal. Cuts only between UTF-8 characters.
// When not even "..." fits, "..." all the same.
std::string shortenInMiddle(const std::string& text, float maxWidth,
                            const std::function<float(const std::string&)>& width);

} // namespace ui
