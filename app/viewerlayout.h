#pragma once
// The viewer window's fixed layout. The drawing area is what the panel on the
// right and the info line at the bottom leave of the window; every layer's
// texture has its size, and it is the default size of patternlens-render, so
// an exported image matches what the viewer shows pixel for pixel.
namespace viewerlayout {

constexpr int windowWidth = 600;
constexpr int windowHeight = 500;
constexpr int panelWidth = 200;      // the control panel, right
constexpr int infoLineHeight = 30;   // the info line, bottom

constexpr int drawingAreaWidth = windowWidth - panelWidth;        // 400
constexpr int drawingAreaHeight = windowHeight - infoLineHeight;  // 470

} // namespace viewerlayout
