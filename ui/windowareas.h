#pragma once
// How the main window is split: a strip of controls along the right edge at
// full height (and, when open, a column at full height right of it), a strip
// along the bottom of what is left, and the drawing area in the remaining
// top-left rectangle. Pure geometry, tested headless; the
// strips keep their thickness when the window is resized and the drawing
// area takes the rest, never less than minDrawingWidth while the window has
// room for the right strip and that: the column gives way first, down to
// its narrowest useful width, and below that it has no room at all.
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
    int columnWidth = 0;    // a column right of the right strip; 0: none
    int minColumnWidth = 0;    // the column's narrowest useful width
    int minDrawingWidth = 0;   // what the column leaves the drawing area

    // Strips never grow past the window; a window smaller than a strip
    // leaves the drawing area empty, never negative. The column gives way
    // first.
    int clampedRight(int windowWidth) const
    {
        const int room = windowWidth > 0 ? windowWidth : 0;
        return rightWidth < room ? rightWidth : room;
    }
    int clampedColumn(int windowWidth) const
    {
        const int room = windowWidth - clampedRight(windowWidth) - minDrawingWidth;
        if (columnWidth <= room) return columnWidth;
        return room >= minColumnWidth && room > 0 ? room : 0;
    }
    // The column is open but has no room: narrower than its narrowest.
    bool columnSqueezedOut(int windowWidth) const { return columnWidth > 0 && clampedColumn(windowWidth) == 0; }
    int clampedBottom(int windowHeight) const { return bottomHeight < windowHeight ? bottomHeight : windowHeight; }

    Rect column(int windowWidth, int windowHeight) const
    {
        const int w = clampedColumn(windowWidth);
        return {windowWidth - w, 0, w, windowHeight};
    }
    Rect rightStrip(int windowWidth, int windowHeight) const
    {
        const int w = clampedRight(windowWidth);
        return {windowWidth - clampedColumn(windowWidth) - w, 0, w, windowHeight};
    }
    Rect bottomStrip(int windowWidth, int windowHeight) const
    {
        const int h = clampedBottom(windowHeight);
        return {0, windowHeight - h, drawingWidth(windowWidth), h};
    }
    Rect drawingArea(int windowWidth, int windowHeight) const
    {
        return {0, 0, drawingWidth(windowWidth), windowHeight - clampedBottom(windowHeight)};
    }
    int drawingWidth(int windowWidth) const
    {
        const int w = windowWidth - clampedColumn(windowWidth) - clampedRight(windowWidth);
        return w > 0 ? w : 0;
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
