#pragma once
// The viewer window's fixed layout. The drawing area is what the panel on the
// right and the info line at the bottom leave of the window; its start-up
// size is the engine's (layers/drawingarea.h), and the window is sized
// around it.
#include "layers/drawingarea.h"

namespace viewerlayout {

constexpr int panelWidth = 200;      // the control panel, right
constexpr int infoLineHeight = 30;   // the info line, bottom

constexpr int drawingAreaWidth = drawingarea::startWidth;     // 400
constexpr int drawingAreaHeight = drawingarea::startHeight;   // 470

constexpr int windowWidth = drawingAreaWidth + panelWidth;         // 600
constexpr int windowHeight = drawingAreaHeight + infoLineHeight;   // 500

} // namespace viewerlayout
