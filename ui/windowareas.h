#pragma once
// How the main window is split: a strip of controls along the right edge at
// full height, a strip along the bottom of what is left, and the drawing area
// in the remaining top-left rectangle. Pure geometry, tested headless; the
// strips keep their thickness when the window is resized and the drawing
// area takes the rest.
namespace ui {

// A rectangle in window pixels, origin at the top left, y downwards (GLUT's
// convention for mouse positions).
struct Rect {
    int x = 0, y = 0, w = 0, h = 0;

    bool contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

struct WindowAreas {
    int rightWidth = 0;     // thickness of the right strip
    int bottomHeight = 0;   // thickness of the bottom strip

    // Strips never grow past the window; a window smaller than a strip
    // leaves the drawing area empty, never negative.
    int clampedRight(int windowWidth) const { return rightWidth < windowWidth ? rightWidth : windowWidth; }
    int clampedBottom(int windowHeight) const { return bottomHeight < windowHeight ? bottomHeight : windowHeight; }

    Rect rightStrip(int windowWidth, int windowHeight) const
    {
        const int w = clampedRight(windowWidth);
        return {windowWidth - w, 0, w, windowHeight};
    }
    Rect bottomStrip(int windowWidth, int windowHeight) const
    {
        const int h = clampedBottom(windowHeight);
        return {0, windowHeight - h, windowWidth - clampedRight(windowWidth), h};
    }
    Rect drawingArea(int windowWidth, int windowHeight) const
    {
        return {0, 0, windowWidth - clampedRight(windowWidth), windowHeight - clampedBottom(windowHeight)};
    }

    // The drawing area as glViewport takes it: origin at the bottom left, so
    // its y is the height of the bottom strip.
    void viewportArea(int windowWidth, int windowHeight, int* x, int* y, int* w, int* h) const
    {
        const Rect area = drawingArea(windowWidth, windowHeight);
        *x = area.x;
        *y = windowHeight - (area.y + area.h);
        *w = area.w;
        *h = area.h;
    }
};

} // namespace ui
