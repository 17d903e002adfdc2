#include "layers/renderable.h"

#include "generators/seedtables.h"
#include "layers/assertion.h"
#include "layers/drawingarea.h"
#include "layers/layerhost.h"
#include "layers/rowkernels.h"
#include "layers/saturate.h"
#include "layers/texturebackend.h"
#include "layers/treewalk.h"
#include "layers/viewlimits.h"

#include <cmath>
#include <mutex>

Renderable::Renderable(int id) : typeId(id) {}

const GradientNoise::noisetables::TableSet& Renderable::noiseTables() const
{
    const GradientNoise::noisetables::TableSet* tables = tablesInUse.load(std::memory_order_acquire);
    if (tables && tables->seed == seed) return *tables;
    return holdNoiseTables();
}

const GradientNoise::noisetables::TableSet& Renderable::holdNoiseTables() const
{
    // Rare (once per layer and seed), so one lock serves every layer.
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    const GradientNoise::noisetables::TableSet* tables = tablesInUse.load(std::memory_order_relaxed);
    if (tables && tables->seed == seed) return *tables;
    tablesHeld = seedtables::acquire(seed);
    tablesInUse.store(tablesHeld.get(), std::memory_order_release);
    return *tablesHeld;
}

Renderable::~Renderable()
{
    if (texture) {
        if (TextureBackend* b = backend()) b->deleteTexture(texture);
    }
    // The variables are destroyed after this body and take their input
    // layers, and so the whole subtree, with them.
}

TextureBackend* Renderable::backend() const
{
    return host ? host->hostTextureBackend() : nullptr;
}

void Renderable::setup()
{
    host = LayerHost::instance;
    controls = host ? host->hostControls() : nullptr;
    const LayerHost::AreaSize area = host ? host->hostAreaSize() : LayerHost::AreaSize();
    textureWidth = area.width;
    textureHeight = area.height;
    resetView();
    variableCount = 0;
    createVariables();
    pixels.clear();
    pixels.shrink_to_fit();
}

void Renderable::resetView()
{
    x = 0;
    y = 0;
    zoomx = 20;
    zoomy = 20;
    updateMapping();
    rememberView();
}

void Renderable::rememberView()
{
    viewReference = {x, y, zoomx, zoomy, textureWidth, textureHeight};
}

void Renderable::updateMapping()
{
    if (textureWidth <= 0 || textureHeight <= 0) return;
    mapping.setLayerRect(static_cast<float>(y - zoomy / 2.0),
                         static_cast<float>(x + zoomx / 2.0),
                         static_cast<float>(x - zoomx / 2.0),
                         static_cast<float>(y + zoomy / 2.0));
    mapping.setWindowRect(0.0f, static_cast<float>(textureWidth), 0.0f, static_cast<float>(textureHeight));
}

void Renderable::setZoom(float zoom)
{
    zoom = viewlimits::clampExtent(zoom);
    PL_CHECK(zoom > 0, "renderable");
    zoomx = zoomy = zoom;
    updateMapping();
    rememberView();
}

void Renderable::scaleExtents(float factor)
{
    // In the start-up drawing area a zoom gives both extents the height's,
    // as it always has. A resized drawing area has views of its own shape
    // (the resize kept the scale): there each extent takes the same factor,
    // so the picture zooms instead of stretching.
    if (textureWidth == drawingarea::startWidth && textureHeight == drawingarea::startHeight) {
        zoomx = zoomy = viewlimits::clampExtent((1 - factor) * zoomy);
        PL_CHECK(zoomx > 0, "renderable");
        return;
    }
    const float newX = viewlimits::clampExtent((1 - factor) * zoomx);
    const float newY = viewlimits::clampExtent((1 - factor) * zoomy);
    PL_CHECK(newX > 0, "renderable");
    PL_CHECK(newY > 0, "renderable");
    zoomx = newX;
    zoomy = newY;
}

// Zooms and pans reach every layer of the subtree, each on its own view.
void Renderable::zoomBy(float factor)
{
    treewalk::forEach(this, [factor](Renderable& layer, int) {
        layer.scaleExtents(factor);
        layer.updateMapping();
        layer.rememberView();
    });
}

void Renderable::zoomAbout(float factor, double u, double v)
{
    treewalk::forEach(this, [factor, u, v](Renderable& layer, int) {
        const float oldX = layer.zoomx, oldY = layer.zoomy;
        layer.scaleExtents(factor);
        // Column u shows x - zoomx/2 + zoomx u, row v shows y - zoomy/2 -
        // zoomy v; the centre moves by what keeps both as they were.
        layer.x = viewlimits::clampCentre(static_cast<float>(layer.x - (static_cast<double>(layer.zoomx) - oldX) * (u - 0.5)));
        layer.y = viewlimits::clampCentre(static_cast<float>(layer.y + (static_cast<double>(layer.zoomy) - oldY) * (0.5 + v)));
        layer.updateMapping();
        layer.rememberView();
    });
}

void Renderable::setView(float newX, float newY, float zoomX, float zoomY)
{
    PL_CHECK(zoomX > 0, "renderable");
    PL_CHECK(zoomY > 0, "renderable");
    zoomy = viewlimits::clampExtent(zoomY);
    zoomx = viewlimits::clampExtent(zoomX);
    x = viewlimits::clampCentre(newX);
    y = viewlimits::clampCentre(newY);
    updateMapping();
    rememberView();
}

void Renderable::pan(int dx, int dy)
{
    treewalk::forEach(this, [dx, dy](Renderable& layer, int) {
        float fdx = static_cast<float>(dx);
        float fdy = static_cast<float>(dy);
        layer.mapping.scaleDelta(fdx, fdy);
        layer.x = viewlimits::clampCentre(layer.x + fdx);
        layer.y = viewlimits::clampCentre(layer.y + fdy);
        layer.updateMapping();
        layer.rememberView();
    });
}

void Renderable::setVariable(int index, float value)
{
    if (index >= 0 && index < variableCount) variables[index].setValue(value);
}

void Renderable::adjustVariable(int index, float delta)
{
    if (index >= 0 && index < variableCount) setVariable(index, variables[index].getValue() + delta);
}

void Renderable::attachInput(int index, Renderable* input)
{
    if (index < 0 || index >= variableCount || !input) return;
    input->setView(x, y, zoomx, zoomy);
    variables[index].setInputLayer(input);
}

float Renderable::valueAtPoint(float px, float py) const
{
    return valueAt(saturatingTrunc(std::floor(px)), saturatingTrunc(std::floor(py)));
}

float Renderable::valueAt(int px, int py) const
{
    return valueAtPoint(static_cast<float>(px), static_cast<float>(py));
}

float Renderable::pixelValue(int px, int py) const
{
    const float v = valueAt(px, py);
    return inverse ? 1 - v : v;
}

float Renderable::pointValue(float px, float py) const
{
    const float v = valueAtPoint(px, py);
    return inverse ? 1 - v : v;
}

void Renderable::valueRow(int py, int x0, int count, float* out, int step) const
{
    for (int k = 0; k < count; ++k) out[k] = valueAt(x0 + k * step, py);
}

void Renderable::valuePoints(const float* px, const float* py, int count, float* out) const
{
    for (int k = 0; k < count; ++k) out[k] = valueAtPoint(px[k], py[k]);
}

const char* Renderable::valueName(int /*index*/, float /*value*/) const
{
    return nullptr;
}

void Renderable::inputOrigin(int /*index*/, int& x0, int& y0) const
{
    x0 = 0;
    y0 = 0;
}

bool Renderable::readsInputAtPixels(int /*index*/) const
{
    return true;
}

void Renderable::pixelRow(int py, int x0, int count, float* out, int step) const
{
    // The types' row buffers hold rowChunk values; longer runs go in parts.
    for (int done = 0; done < count; done += rowChunk) {
        const int part = count - done < rowChunk ? count - done : rowChunk;
        valueRow(py, x0 + done * step, part, out + done, step);
    }
    if (inverse)
        for (int k = 0; k < count; ++k) out[k] = 1 - out[k];
}

void Renderable::pointValues(const float* px, const float* py, int count, float* out) const
{
    for (int done = 0; done < count; done += rowChunk) {
        const int part = count - done < rowChunk ? count - done : rowChunk;
        valuePoints(px + done, py + done, part, out + done);
    }
    if (inverse)
        for (int k = 0; k < count; ++k) out[k] = 1 - out[k];
}

void Renderable::layerRowX(int x0, int count, float* out, int step) const
{
    rowkernels::layerX(mapping, x0, count, out, step);
}

float Renderable::layerRowY(int py) const
{
    float lx = 0.0f;
    float ly = static_cast<float>(py);
    mapping.windowToLayer(lx, ly);   // y depends on y alone
    return ly;
}

void Renderable::layerPoints(const float* px, const float* py, int count, float* xs, float* ys) const
{
    rowkernels::layerPoints(mapping, px, py, count, xs, ys);
}

void Renderable::resizePixels()
{
    const std::size_t count = static_cast<std::size_t>(textureWidth > 0 ? textureWidth : 0) *
                              static_cast<std::size_t>(textureHeight > 0 ? textureHeight : 0);
    if (pixels.size() != count) pixels.assign(count, 0);
}

void Renderable::fillPixelsReference()
{
    resizePixels();
    for (int i = 0; i < textureWidth; ++i)
        for (int j = 0; j < textureHeight; ++j)
            pixels[static_cast<std::size_t>(j) * textureWidth + i] = greyByte(pixelValue(i, j));
}

bool Renderable::fillPixels(const rowloop::Options& options, rowloop::Sink* values)
{
    resizePixels();
    rowloop::GreyBytes bytes(pixels.data(), static_cast<std::size_t>(textureWidth));
    if (!values) return rowloop::evaluate(*this, rowloop::wholeTexture(*this), bytes, options);
    rowloop::BothSinks both(*values, bytes);
    return rowloop::evaluate(*this, rowloop::wholeTexture(*this), both, options);
}

void Renderable::buildTexture()
{
    fillPixels();
    TextureBackend* b = backend();
    if (!b || pixels.empty()) return;
    if (!texture) texture = b->createTexture();
    if (texture) b->uploadTexture(texture, textureWidth, textureHeight, pixels.data());
}

void Renderable::draw(float depth)
{
    TextureBackend* b = backend();
    if (b && texture) b->drawTexture(texture, depth);
}
