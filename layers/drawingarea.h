#pragma once
// The drawing area's size when the viewer starts: every layer's reference
// view is set for it (renderable.h), and it is the default size of
// patternlens-render, so an exported image matches what the viewer shows at
// start-up pixel for pixel. The viewer's window is laid out around it
// (app/viewerlayout.h).
#include <string>

namespace drawingarea {

constexpr int startWidth = 400;
constexpr int startHeight = 470;

// The drawing area a scene's views were made in: a scene setting
// (SceneSettings::drawingArea), which the viewer records on saving and a
// render that keeps the aspect reads (viewresize::resizeKeepingAspect). Kept
// in the file as the root attribute drawingArea, "WIDTHxHEIGHT", only when
// it is not the start-up size, so files saved at that size keep their bytes.
struct Size {
    int width = startWidth;
    int height = startHeight;

    // The attribute's text; empty for the start-up size.
    std::string text() const;
    // The size text spells (each side 1 to 2147483647), or false with error
    // saying why.
    static bool parse(const std::string& text, Size* out, std::string* error);

    bool operator==(const Size& other) const { return width == other.width && height == other.height; }
    bool operator!=(const Size& other) const { return !(*this == other); }
};

} // namespace drawingarea
