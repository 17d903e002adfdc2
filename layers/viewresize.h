#pragma once
// A new drawing-area size for the composition. When the window is resized,
// every layer of the tree gets textures of the new size and keeps the point
// at the middle of the drawing area and its scale (layer units per pixel): a
// bigger window shows more of the plane around the same middle, not a
// stretched picture. An export at another size does the
// other thing: the same view in more (or fewer) pixels. The viewer's own
// resize of its drawing area is app/drawingarearesize.h.
#include "layers/drawingarea.h"

class Renderable;

namespace viewresize {

struct Size {
    int width = 1;
    int height = 1;
};

// The size a drawing area gets from what the window leaves: never below 1 x 1.
Size clampedSize(int width, int height);

// Gives layer and every layer below it textures of width x height; each
// view is derived from the layer's reference view (renderable.h): the layer
// point at the middle of the drawing area and the units per pixel along x
// and y are the reference's. A resize is no edit, so the view limits that
// guard the user's zoom do not apply, and a return to the reference's size
// gives the reference back exactly. The layers' pixels are dropped until
// their next render.
void resizeKeepingScale(Renderable& layer, int width, int height);

// Gives layer and every layer below it textures of width x height; each view
// keeps its centre and its extents, so the picture is the same one sampled
// more or less finely.
void resizeKeepingView(Renderable& layer, int width, int height);

// The same, keeping the aspect instead: the picture that a drawing area of
// drawnIn showed, scaled to the new width, so that features keep their
// shape. Every layer keeps x and zoomx; its vertical extent becomes
// zoomy' = zoomy (H / W) (Wd / Hd), for an image of W x H and a drawing area
// of Wd x Hd, and y moves so that the middle row shows the layer y it showed:
// y' = y - zoomy + zoomy' (the window mapping's middle row shows y - zoomy).
// At the drawing area's own size, or any of its aspect, nothing changes.
// The factor is computed in double and each view narrowed once; an extent
// too small for single precision to tell its edges apart is widened until
// it can.
void resizeKeepingAspect(Renderable& layer, int width, int height, const drawingarea::Size& drawnIn);

} // namespace viewresize
