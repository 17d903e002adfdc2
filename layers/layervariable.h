#pragma once
#include "layers/serializable.h"

#include <memory>

class InputPlane;
class Renderable;

// One named, bounded parameter of a layer. Its value at a pixel is either its
// own fixed value (the override value) or, when an input layer drives it, that
// layer's value at the same pixel mapped onto [minValue, maxValue].
//
// The variable owns its input layer: replacing or removing it, or destroying
// the variable, destroys the input layer with its whole subtree.
class LayerVariable : public Serializable {
public:
    static constexpr int nameCapacity = 100;   // bytes, NUL included

    LayerVariable() = default;
    ~LayerVariable() override;
    LayerVariable(const LayerVariable&) = delete;
    LayerVariable& operator=(const LayerVariable&) = delete;

    // Note the order: the maximum comes before the minimum. The value is
    // stored as given, without clamping; the input layer is left alone.
    void init(Renderable* owner, const char* name, float value, float maxValue, float minValue);

    const char* getName() const { return name; }
    float getValue() const { return overrideValue; }
    // Clamps into the range, lower bound first (so with min > max the result
    // is max); NaN passes both tests and is stored as it is.
    void setValue(float v);

    // The value at texture pixel (x, y): the fixed value, or the input layer's
    // pixel value there mapped onto the range (not clamped).
    float getValueAt(int x, int y) const;
    // getValueAt for pixels x0, x0 + step, .. x0 + (count - 1) * step of row
    // y, bit for bit, with the input layer evaluated a row at a time.
    void getValuesAtRow(int y, int x0, int count, float* out, int step = 1) const;
    // The value at point (px, py): the fixed value, or the input layer's
    // pointValue there mapped onto the range (not clamped). At whole numbers
    // it is getValueAt's value.
    float getValueAtPoint(float px, float py) const;
    // getValueAtPoint for count points, bit for bit, with the input layer
    // evaluated on its point lanes. out must not be px or py.
    void getValuesAtPoints(const float* px, const float* py, int count, float* out) const;

    Renderable* getInputLayer() const { return inputLayer.get(); }
    // Takes ownership of layer, destroying any previous input layer, and makes
    // the variable's owner the layer's parent. layer must be a new layer.
    void setInputLayer(Renderable* layer);
    void removeInputLayer();

    float getMinValue() const { return minValue; }
    float getMaxValue() const { return maxValue; }
    Renderable* getOwner() const { return owner; }

    void load(const TiXmlElement* element) override;
    void save(TiXmlElement* parent) const override;

    // Listed in layerfields.h for the copy, the comparison and the file.
    float minValue = -1.0f;
    float maxValue = 1.0f;
    char name[nameCapacity] = {};
    std::unique_ptr<Renderable> inputLayer;
    Renderable* owner = nullptr;        // not owned
    float overrideValue = 0.0f;
    // Not part of the composition: the input layer's values kept by the
    // render that evaluates this variable (inputplane.h), read in place of
    // evaluating the input where it holds them. Never copied or saved.
    InputPlane* plane = nullptr;        // not owned
};
