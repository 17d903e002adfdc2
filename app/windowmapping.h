#pragma once

// The linear map between a window rectangle in pixels and a layer rectangle
// in layer coordinates. "Top" is the smaller y of either rectangle, so
// layerSpan (top minus bottom) is negative for every valid rectangle: moving
// down the window moves towards smaller layer y.
class WindowMapping {
public:
    // Parameters come in the order top, right, left, bottom.
    void setLayerRect(float top, float right, float left, float bottom);
    void setWindowRect(float top, float right, float left, float bottom);

    // Window point to layer point, in place.
    void windowToLayer(float& x, float& y) const;
    // Layer point to whole pixels, truncated toward zero (saturating far
    // outside the int range). Exact for window rectangles starting at (0, 0).
    void layerToWindow(float lx, float ly, int& px, int& py) const;
    // Layer units per pixel; sy is negative.
    void pixelSize(float& sx, float& sy) const;
    // Multiplies a pixel delta by pixelSize, in place.
    void scaleDelta(float& dx, float& dy) const;

    float layerLeft = 0, layerTop = 0, layerRight = 0, layerBottom = 0;
    float windowLeft = 0, windowTop = 0, windowRight = 0, windowBottom = 0;
    float windowWidth = 0, windowHeight = 0;
    float layerWidth = 0, layerSpan = 0;
};
