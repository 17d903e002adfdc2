#include "app/layercontrols.h"

#include "layers/viewresize.h"
#include "layers/renderable.h"
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
    picture.draw();
}

void LayerControls::panCurrentLayer(int dx, int dy)
{
    if (!currentLayer) return;
    const int scale = picture.pixelScale();
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

void LayerControls::goToLayer(Renderable* layer)
{
    if (!layer || layer == currentLayer) return;
    currentLayer = layer;
    refreshPanel();
    redrawRequested = true;
}

void LayerControls::replaceComposition(Composition replacement, const LayerLocation& where)
{
    clearLayers();
    if (replacement.tree) {
        // Taken at whatever size the drawing area had then: shown at the
        // size it has now, its views derived as a resize derives them.
        if (viewportWidth > 0 && viewportHeight > 0)
            viewresize::resizeKeepingScale(*replacement.tree, viewportWidth, viewportHeight);
        baseLayers[0] = replacement.tree.release();
        baseLayerCount = 1;
    }
    sceneSettings = replacement.settings;
    history.showLocation(where);
}

bool LayerControls::tick()
{
    const bool edited = takeRedrawRequest();
    // The previews wait for the picture: they see it pending from here on.
    if (edited) picture.markStale();
    const bool columnChanged = column.update(edited);
    return picture.update() || columnChanged;
}

bool LayerControls::tickPending() const
{
    return redrawRequested || picture.pending() || exporter.pending() || column.pending();
}
