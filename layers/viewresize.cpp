#include "layers/viewresize.h"

#include "layers/renderable.h"
#include "layers/treewalk.h"

namespace viewresize {

namespace {

// Every layer of the tree, without recursion: a chain may be very deep.
template <class Visit>
void forEachLayer(Renderable& top, const Visit& visit)
{
    treewalk::forEach(&top, [&visit](Renderable& layer, int) { visit(layer); });
}

void setTextureSize(Renderable& layer, int width, int height)
{
    layer.textureWidth = width;
    layer.textureHeight = height;
    // The next render allocates the buffer of the new size.
    layer.pixels.clear();
    layer.pixels.shrink_to_fit();
}

// The extent that shows as many units per pixel on pixels as the reference
// showed on referencePixels: computed in double, narrowed once.
double scaledExtent(float extent, int referencePixels, int pixels)
{
    return static_cast<double>(extent) * pixels / referencePixels;
}

// The least extent from e up whose edges around centre c single precision
// still tells apart; a drawing area a few pixels wide far from the origin
// could otherwise have none.
float separableExtent(float c, double e)
{
    float extent = static_cast<float>(e);
    while (!(static_cast<float>(c - extent / 2.0) < static_cast<float>(c + extent / 2.0)))
        extent = extent > 0 ? extent * 2 : 1e-30f;
    return extent;
}

// The layer's view at its texture's size, from its reference: the layer
// point at the middle of the drawing area stays there, and so does the
// number of units per pixel. Neither the view limits nor the sizes between
// round it: at the reference's own size it is the reference itself.
void showReference(Renderable& layer)
{
    Renderable::ViewReference r = layer.viewReference;
    if (r.width <= 0 || r.height <= 0) r = {layer.x, layer.y, layer.zoomx, layer.zoomy, layer.textureWidth, layer.textureHeight};
    if (layer.textureWidth == r.width && layer.textureHeight == r.height) {
        layer.x = r.x;
        layer.y = r.y;
        layer.zoomx = r.zoomx;
        layer.zoomy = r.zoomy;
    } else {
        // Row j shows y - zoomy/2 - zoomy j/height: the middle row shows
        // y - zoomy, the middle column x.
        const double middleY = static_cast<double>(r.y) - r.zoomy;
        layer.zoomx = separableExtent(r.x, scaledExtent(r.zoomx, r.width, layer.textureWidth));
        const float zoomY = static_cast<float>(scaledExtent(r.zoomy, r.height, layer.textureHeight));
        layer.x = r.x;
        layer.y = static_cast<float>(middleY + zoomY);
        layer.zoomy = separableExtent(layer.y, zoomY);
    }
    layer.updateMapping();
}

} // namespace

Size clampedSize(int width, int height)
{
    return {width > 1 ? width : 1, height > 1 ? height : 1};
}

void resizeKeepingScale(Renderable& root, int width, int height)
{
    const Size size = clampedSize(width, height);
    forEachLayer(root, [&](Renderable& layer) {
        setTextureSize(layer, size.width, size.height);
        showReference(layer);
    });
}

void resizeKeepingView(Renderable& root, int width, int height)
{
    const Size size = clampedSize(width, height);
    forEachLayer(root, [&](Renderable& layer) {
        setTextureSize(layer, size.width, size.height);
        layer.updateMapping();
        layer.rememberView();   // the view is now this size's
    });
}

void resizeKeepingAspect(Renderable& root, int width, int height, const drawingarea::Size& drawnIn)
{
    const Size size = clampedSize(width, height);
    const Size drawn = clampedSize(drawnIn.width, drawnIn.height);
    const double factor = (static_cast<double>(size.height) * drawn.width) / (static_cast<double>(size.width) * drawn.height);
    forEachLayer(root, [&](Renderable& layer) {
        const double zoomY = layer.zoomy * factor;
        layer.y = static_cast<float>(static_cast<double>(layer.y) - layer.zoomy + static_cast<float>(zoomY));
        layer.zoomy = separableExtent(layer.y, zoomY);
    });
    resizeKeepingView(root, size.width, size.height);
}

} // namespace viewresize
