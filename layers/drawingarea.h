#pragma once
// The drawing area's size when the viewer starts: every layer's reference
// view is set for it (renderable.h), and it is the default size of
// patternlens-render, so an exported image matches what the viewer shows at
// start-up pixel for pixel. The viewer's window is laid out around it
// (app/viewerlayout.h).
namespace drawingarea {

constexpr int startWidth = 400;
constexpr int startHeight = 470;

} // namespace drawingarea
