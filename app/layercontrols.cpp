#include "app/layercontrols.h"

#include "app/pointerreadout.h"

#include "layers/viewresize.h"
#include "layers/renderable.h"
#include "layers/texturebackend.h"
#include "ui/controls.h"

LayerControls* LayerControls::instance = nullptr;

LayerControls::LayerControls()
{
    instance = this;
    LayerHost::instance = this;
}

LayerControls::~LayerControls()
{
    clearLayers();
    if (textureBackend && pictureTexture) textureBackend->deleteTexture(pictureTexture);
    if (instance == this) instance = nullptr;
    if (LayerHost::instance == this) LayerHost::instance = nullptr;
}

LayerHost::AreaSize LayerControls::hostAreaSize() const
{
    return {viewportWidth, viewportHeight};
}

TextureBackend* LayerControls::hostTextureBackend() const
{
    return textureBackend;
}

LayerControls* LayerControls::hostControls()
{
    return this;
}

void LayerControls::setViewportSize(int width, int height)
{
    viewportWidth = width;
    viewportHeight = height;
}

bool LayerControls::takeRedrawRequest()
{
    const bool requested = redrawRequested;
    redrawRequested = false;
    return requested;
}

void LayerControls::renderCurrentLayer()
{
    if (currentLayer) currentLayer->buildTexture();
}

void LayerControls::drawCurrentLayer()
{
    if (!textureBackend || !pictureTexture || picture.pixels.empty()) return;
    // The half-size picture, once it has come, as 2 x 2 tiles pixel for
    // pixel; until then (and after) the picture there is, stretched.
    const viewresize::Size tile = tileSize();
    if (tilePreview && picture.width == tile.width && picture.height == tile.height)
        textureBackend->drawTextureTiles(pictureTexture, 0.5f, static_cast<float>(tile.width) / viewportWidth,
                                         static_cast<float>(tile.height) / viewportHeight, 2);
    else
        textureBackend->drawTexture(pictureTexture, 0.5f);
}

void LayerControls::panCurrentLayer(int dx, int dy)
{
    if (!currentLayer) return;
    // In the tile preview a screen pixel shows two texture pixels.
    const int scale = tilePreview ? 2 : 1;
    currentLayer->pan(dx * scale, dy * scale);
    redrawRequested = true;
}

void LayerControls::zoomCurrentLayer(int dy)
{
    if (!currentLayer) return;
    // A drag over the whole drawing-area height gives the factor 1, the
    // smallest extent.
    const float factor = static_cast<float>(static_cast<double>(dy) / static_cast<double>(viewportHeight));
    currentLayer->zoomBy(factor);
    redrawRequested = true;
}

void LayerControls::zoomCurrentLayerAt(int dy, int px, int py)
{
    if (!currentLayer || viewportWidth <= 0 || viewportHeight <= 0) return;
    const float factor = static_cast<float>(static_cast<double>(dy) / static_cast<double>(viewportHeight));
    // The texture's row 0 is the drawing area's bottom row.
    double u = static_cast<double>(px) / viewportWidth;
    double v = static_cast<double>(viewportHeight - 1 - py) / viewportHeight;
    const viewresize::Size tile = tileSize();
    int tx = 0, ty = 0;
    if (tilePreview &&
        pointerreadout::tilePointAt(px, py, viewportWidth, viewportHeight, tile.width, tile.height, &tx, &ty)) {
        // A tile is the whole view at half the size: the point under the
        // pointer is where the pointer lies within its tile.
        u = static_cast<double>(tx) / tile.width;
        v = static_cast<double>(tile.height - 1 - ty) / tile.height;
    }
    currentLayer->zoomAbout(factor, u, v);
    redrawRequested = true;
}

void LayerControls::resetCurrentView()
{
    if (!currentLayer) return;
    currentLayer->resetView();
    redrawRequested = true;
}

void LayerControls::setBaseLayer(Renderable* layer)
{
    if (baseLayerCount > 0 && baseLayers[0]) {
        currentLayer = nullptr;
        delete baseLayers[0];
    }
    // A new base evaluates by the scene's settings.
    if (layer) applySettings(*layer, sceneSettings);
    baseLayers[0] = layer;
    currentLayer = layer;
    baseLayerCount = 1;
    showBaseLayer();
}

void LayerControls::showBaseLayer()
{
    currentLayer = baseLayer();
    refreshPanel();
    redrawRequested = true;
}

void LayerControls::clearLayers()
{
    currentLayer = nullptr;
    for (int i = 0; i < baseLayerCount; ++i) {
        delete baseLayers[i];
        baseLayers[i] = nullptr;
    }
    baseLayerCount = 0;
}
