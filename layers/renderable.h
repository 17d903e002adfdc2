#pragma once
#include "app/windowmapping.h"
#include "layers/layervariable.h"
#include "layers/rowloop.h"
#include "layers/serializable.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class LayerControls;
class LayerHost;
namespace GradientNoise::noisetables {
struct TableSet;
}

// The abstract layer: a pattern over the unbounded plane of layer
// coordinates. A layer type supplies its variables and its value at a texture
// pixel; the base supplies the view (centre and extent), the mapping from
// texture pixels to layer coordinates, the inverse switch, the pixel buffer
// and the texture, and pan/zoom that keep a whole tree of layers aligned
// pixel for pixel.
//
// Layers are made only by createLayer (layertypetable.h), which constructs
// and then runs setup.
class Renderable : public Serializable {
public:
    static constexpr int maxVariables = 10;

    explicit Renderable(int typeId);
    ~Renderable() override;
    Renderable(const Renderable&) = delete;
    Renderable& operator=(const Renderable&) = delete;

    // Second construction step: texture size from the host (layerhost.h), default
    // view, the type's variables. Pixel buffer and texture are allocated when
    // the layer is first rendered, so a layer that is never shown costs none.
    void setup();

    // View. Every change keeps the view within viewlimits.h and recomputes
    // the mapping.
    void resetView();
    void setZoom(float zoom);
    void zoomBy(float factor);        // passed on down the tree
    void setView(float x, float y, float zoomX, float zoomY);
    void pan(int dx, int dy);         // pixel delta, passed on down the tree
    // A zoom by factor (as zoomBy) that keeps the layer point at the texture
    // point (u x textureWidth, v x textureHeight) where it is: the centre
    // takes a shift of its own, exact to the arithmetic rather than whole
    // pixels. Passed on down the tree with the same point, so the layers
    // stay aligned.
    void zoomAbout(float factor, double u, double v);
    void updateMapping();

    // The view as it was last set (by the user, a file or a new layer) and
    // the texture size it was set at. A window resize shows every layer at
    // the new size from this one reference, never from the view of the size
    // before, so no sequence of resizes rounds a view and a return to a size
    // shows exactly the view it had (viewresize.h).
    struct ViewReference {
        float x = 0, y = 0;
        float zoomx = 0, zoomy = 0;
        int width = 0, height = 0;
    };
    // The view shown now becomes the reference.
    void rememberView();

    virtual void setVariable(int index, float value);
    virtual void adjustVariable(int index, float delta);
    // Gives input this layer's view and hands it to variable index, which
    // takes ownership. An index out of range leaves input with the caller.
    void attachInput(int index, Renderable* input);

    virtual void createVariables() = 0;
    // The type's value at point (px, py) of the texture's pixel plane,
    // before the inverse switch: the type's definition, which need not be
    // at whole pixels (a Warp reads its Source at moved points). Every
    // layer type defines it. Evaluation is called from several threads at
    // once, so it only reads the layer: its mapping and its variables.
    // The default, for a type that defines valueAt alone (a test's probe),
    // is the value of the pixel (floor px, floor py).
    virtual float valueAtPoint(float px, float py) const;
    // The type's value at texture pixel (x, y): valueAtPoint at the whole
    // numbers x and y, unless a type defines it alone.
    virtual float valueAt(int x, int y) const;

    // Pixels x0, x0 + step, .. x0 + (count - 1) * step of row y into out
    // (step 1 for neighbouring pixels, more for a coarse picture): the same
    // values as valueAt, bit for bit. Types override it to share the work of a row
    // (the mapping, the noise on SIMD lanes, fixed variables) among its
    // pixels; the default asks valueAt pixel by pixel. count is at most
    // rowChunk, so the stack buffers of a deep tree stay small.
    static constexpr int rowChunk = 256;
    virtual void valueRow(int y, int x0, int count, float* out, int step) const;
    // out[k] = valueAtPoint(px[k], py[k]) for count points, at most
    // rowChunk, bit for bit: the evaluation at a list of points, which
    // types do on SIMD lanes. The default asks valueAtPoint point by point.
    // out must not be px or py.
    virtual void valuePoints(const float* px, const float* py, int count, float* out) const;

    // The name the type gives the whole number that value of variable
    // index stands for (a mode or a shape), for the panel to show beside
    // it; null for a variable whose values have no names.
    virtual const char* valueName(int index, float value) const;

    // The lowest pixel at which a render of this layer reads the input of
    // variable index, as far as the view tells: where a plane of that
    // input's values is placed (inputplane.h). The texture's own first
    // pixel for the types that read their inputs at or near the pixel they
    // compute.
    virtual void inputOrigin(int index, int& x0, int& y0) const;
    // Whether a render of this layer reads the input of variable index at
    // whole pixels only, so that a plane of its values can serve it. Not so
    // for an input read at moved points (a Warp's Source).
    virtual bool readsInputAtPixels(int index) const;

    // The noise tables of the layer's seed (generators/seedtables.h), which
    // every noise pattern of the type reads, per pixel and on the lanes.
    // Taken from the shared cache on first use and held while the layer
    // lives with that seed; safe from several threads at once. A copy of
    // the layer takes its own reference when it first renders, so a copy
    // that never renders (an undo step) holds no tables.
    const GradientNoise::noisetables::TableSet& noiseTables() const;
    // The seed, for bindings and tools (the field below).
    std::uint32_t getSeed() const { return seed; }
    void setSeed(std::uint32_t s) { seed = s; }

    // valueAt with the inverse switch applied: what the texture shows and
    // what a variable driven by this layer reads.
    float pixelValue(int x, int y) const;
    // pixelValue for a run of pixels of one row, by way of valueRow, which
    // it asks for at most rowChunk pixels at a time.
    void pixelRow(int y, int x0, int count, float* out, int step = 1) const;
    // valueAtPoint with the inverse switch applied: what a variable driven
    // by this layer reads at a point.
    float pointValue(float px, float py) const;
    // pointValue for count points (any number), by way of valuePoints,
    // which it asks for at most rowChunk points at a time. out must not be
    // px or py.
    void pointValues(const float* px, const float* py, int count, float* out) const;

    // Evaluates every pixel into the pixel buffer through rowloop::evaluate
    // (with its options: the threads, the stop flag, the progress); the bytes
    // are those of fillPixelsReference. values, when given, also takes every
    // row's values before they become bytes, so a caller can measure them
    // without evaluating the layer a second time. False when stopped, the
    // buffer left partly filled.
    bool fillPixels(const rowloop::Options& options = {}, rowloop::Sink* values = nullptr);
    // The plain evaluation, one pixelValue per pixel, column after column on
    // the calling thread: the definition fillPixels is measured and checked
    // against.
    void fillPixelsReference();
    // fillPixels, then hands the pixels to the controller's texture backend.
    void buildTexture();
    void draw(float depth);

    const std::uint8_t* pixelData() const { return pixels.empty() ? nullptr : pixels.data(); }

    void load(const TiXmlElement* element) override;
    void save(TiXmlElement* parent) const override;

    // A field that describes the composition is listed in layerfields.h too,
    // which the copy, the comparison and the scene file walk.
    Renderable* parent = nullptr;     // not owned
    int variableCount = 0;
    LayerVariable variables[maxVariables];
    int typeId;
    bool inverse = false;
    // 0 to 4294967295; Squares, Circles, Blend and Warp ignore it. Set it while
    // no render reads the layer; noiseTables follows.
    std::uint32_t seed = 0;
    // With the scene's Seamless switch on, the type's pattern repeats over
    // the layer's view (generators/seamless.h). The scene's setting as this
    // layer evaluates by it: applySettings (composition.h) alone sets it,
    // down a whole tree, and so a layer or subtree joining a composition
    // goes through it.
    bool seamless = false;
    int textureWidth = 0;
    int textureHeight = 0;
    float x = 0, y = 0;
    float zoomx = 0, zoomy = 0;
    ViewReference viewReference;
    WindowMapping mapping;
    LayerControls* controls = nullptr; // not owned; the viewer's controller, none when headless
    LayerHost* host = nullptr;         // not owned; whose texture backend the texture goes through
    std::vector<std::uint8_t> pixels; // row j, column i at j * textureWidth + i
    unsigned texture = 0;

protected:
    // The layer x coordinates of pixels x0 .. x0 + count - 1 and the layer y
    // of row y, computed per pixel exactly as mapping.windowToLayer does.
    void layerRowX(int x0, int count, float* out, int step = 1) const;
    float layerRowY(int y) const;
    // The layer coordinates of points (px[k], py[k]), computed per point
    // exactly as mapping.windowToLayer does.
    void layerPoints(const float* px, const float* py, int count, float* xs, float* ys) const;

private:
    const GradientNoise::noisetables::TableSet& holdNoiseTables() const;
    // The tables noiseTables gives, and the reference that keeps them.
    mutable std::atomic<const GradientNoise::noisetables::TableSet*> tablesInUse{nullptr};
    mutable std::shared_ptr<const GradientNoise::noisetables::TableSet> tablesHeld;

    class TextureBackend* backend() const;
    void scaleExtents(float factor);
    void resizePixels();
};
