#include "app/picture/layerpicture.h"

#include "app/layercontrols.h"
#include "app/picture/pointerreadout.h"
#include "layers/renderable.h"
#include "layers/texturebackend.h"
#include "ui/controls.h"

LayerPicture::~LayerPicture()
{
    if (controls.textureBackend && pictureTexture) controls.textureBackend->deleteTexture(pictureTexture);
}

void LayerPicture::buildStatistics(ui::ControlWindow& w)
{
    statistics = w.add_histogram("Values in view:");
}

bool LayerPicture::update()
{
    const viewresize::Size tile = tileSize();
    if (!renderer.poll(controls.currentComposition(), picture, tilePreview ? tile.width : 0,
                       tilePreview ? tile.height : 0))
        return false;
    // A coarse picture only stands in while edits come quickly: the panel
    // keeps the statistics of the last full one.
    if (picture.step == 1) showStatistics();
    TextureBackend* backend = controls.textureBackend;
    if (backend && !picture.pixels.empty()) {
        if (!pictureTexture) pictureTexture = backend->createTexture();
        if (pictureTexture && !picture.shown.empty())
            backend->uploadRgbTexture(pictureTexture, picture.width, picture.height, picture.shown.data());
        else if (pictureTexture)
            backend->uploadTexture(pictureTexture, picture.width, picture.height, picture.pixels.data());
    }
    return true;
}

void LayerPicture::draw()
{
    TextureBackend* backend = controls.textureBackend;
    if (!backend || !pictureTexture || picture.pixels.empty()) return;
    // The half-size picture, once it has come, as 2 x 2 tiles pixel for
    // pixel; until then (and after) the picture there is, stretched.
    const viewresize::Size tile = tileSize();
    if (tilePreview && picture.width == tile.width && picture.height == tile.height)
        backend->drawTextureTiles(pictureTexture, 0.5f, static_cast<float>(tile.width) / controls.viewportWidth,
                                  static_cast<float>(tile.height) / controls.viewportHeight, 2);
    else
        backend->drawTexture(pictureTexture, 0.5f);
}

void LayerPicture::zoomAt(int dy, int px, int py)
{
    Renderable* layer = controls.currentLayer;
    const int width = controls.viewportWidth, height = controls.viewportHeight;
    if (!layer || width <= 0 || height <= 0) return;
    const float factor = static_cast<float>(static_cast<double>(dy) / static_cast<double>(height));
    // The texture's row 0 is the drawing area's bottom row.
    double u = static_cast<double>(px) / width;
    double v = static_cast<double>(height - 1 - py) / height;
    const viewresize::Size tile = tileSize();
    int tx = 0, ty = 0;
    if (tilePreview && pointerreadout::tilePointAt(px, py, width, height, tile.width, tile.height, &tx, &ty)) {
        // A tile is the whole view at half the size: the point under the
        // pointer is where the pointer lies within its tile.
        u = static_cast<double>(tx) / tile.width;
        v = static_cast<double>(tile.height - 1 - ty) / tile.height;
    }
    layer->zoomAbout(factor, u, v);
    controls.redrawRequested = true;
}

void LayerPicture::onTilePreview()
{
    tilePreview = !tilePreview;
    controls.redrawRequested = true;
    controls.infoLine.report(tilePreview ? "Tile preview: the picture at half size, 2 x 2" : "Tile preview off");
}

viewresize::Size LayerPicture::tileSize() const
{
    return viewresize::clampedSize(controls.viewportWidth / 2, controls.viewportHeight / 2);
}

void LayerPicture::showStatistics()
{
    if (!statistics) return;
    if (picture.pixels.empty()) {
        statistics->set("", {});
        return;
    }
    statistics->set(layerstats::caption(picture.stats), layerstats::bars(picture.stats));
}
