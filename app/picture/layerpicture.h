#pragma once
// The drawing area's picture, kept in step with the composition by renders
// off the main loop (renderscheduler.h), with what comes with it: the
// texture it is drawn from, the tile preview (Ctrl+T) and the statistics of
// the values in view.
#include "app/picture/renderscheduler.h"
#include "layers/viewresize.h"

class LayerControls;

namespace ui {
class ControlWindow;
class Histogram;
} // namespace ui

class LayerPicture {
public:
    explicit LayerPicture(LayerControls& controls) : controls(controls) {}
    ~LayerPicture();
    LayerPicture(const LayerPicture&) = delete;
    LayerPicture& operator=(const LayerPicture&) = delete;

    // "Values in view:", the current layer's minimum, maximum, mean and
    // histogram over the drawing area, of the picture on screen (measured
    // with it, off the main loop).
    void buildStatistics(ui::ControlWindow& window);

    // The composition was edited: the picture is stale, which starts a
    // render off the loop at the next update or stops an outdated one.
    void markStale() { renderer.markStale(); }
    // Once per tick of the main loop: a finished picture goes to the
    // texture. True when the drawing area must be drawn again.
    bool update();
    bool pending() const { return renderer.pending(); }
    void draw();

    // The drag's pixels are texture pixels times this: in the tile preview
    // a screen pixel shows two texture pixels.
    int pixelScale() const { return tilePreview ? 2 : 1; }
    // The wheel's zoom: as a vertical drag of dy, keeping the layer point
    // under the drawing-area pixel (x, y) (origin top left) where it is.
    void zoomAt(int dy, int x, int y);

    // Ctrl+T: the drawing area shows the picture at half its size as 2 x 2
    // tiles, pixel for pixel, so the joins of a seamless pattern show; and
    // back. Pan, zoom and the readout work on the tiles.
    void onTilePreview();
    // The size of one tile: half the drawing area, at least 1 x 1.
    viewresize::Size tileSize() const;
    bool tilePreview = false;   // a view of the picture, not part of the composition

    RenderScheduler renderer;
    RenderScheduler::Picture picture;   // what the drawing area shows
    unsigned pictureTexture = 0;        // its texture, made on first use
    ui::Histogram* statistics = nullptr;

private:
    void showStatistics();
    LayerControls& controls;
};
