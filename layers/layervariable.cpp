#include "layers/layervariable.h"

#include "layers/inputplane.h"
#include "layers/renderable.h"

#include <cstring>

// Here, where a layer is a complete type, the input layer can be destroyed.
LayerVariable::~LayerVariable() = default;

void LayerVariable::init(Renderable* newOwner, const char* newName, float value, float newMax, float newMin)
{
    owner = newOwner;
    std::memset(name, 0, sizeof name);
    std::strncpy(name, newName, nameCapacity - 1);
    overrideValue = value;
    maxValue = newMax;
    minValue = newMin;
}

void LayerVariable::setValue(float v)
{
    if (v < minValue) v = minValue;
    if (v > maxValue) v = maxValue;
    overrideValue = v;
}

float LayerVariable::getValueAt(int x, int y) const
{
    if (!inputLayer) return overrideValue;
    const float s = plane ? plane->pixelValue(*inputLayer, x, y) : inputLayer->pixelValue(x, y);
    return minValue + (maxValue - minValue) * s;
}

void LayerVariable::getValuesAtRow(int y, int x0, int count, float* out, int step) const
{
    if (!inputLayer) {
        for (int k = 0; k < count; ++k) out[k] = overrideValue;
        return;
    }
    if (plane) plane->pixelRow(*inputLayer, y, x0, count, out, step);
    else inputLayer->pixelRow(y, x0, count, out, step);
    const float range = maxValue - minValue;
    for (int k = 0; k < count; ++k) out[k] = minValue + range * out[k];
}

// A plane holds whole pixels; points are evaluated without it.
float LayerVariable::getValueAtPoint(float px, float py) const
{
    if (!inputLayer) return overrideValue;
    return minValue + (maxValue - minValue) * inputLayer->pointValue(px, py);
}

void LayerVariable::getValuesAtPoints(const float* px, const float* py, int count, float* out) const
{
    if (!inputLayer) {
        for (int k = 0; k < count; ++k) out[k] = overrideValue;
        return;
    }
    inputLayer->pointValues(px, py, count, out);
    const float range = maxValue - minValue;
    for (int k = 0; k < count; ++k) out[k] = minValue + range * out[k];
}

void LayerVariable::setInputLayer(Renderable* layer)
{
    if (layer == inputLayer.get()) return;   // already ours: resetting would destroy it
    inputLayer.reset(layer);
    if (layer) layer->parent = owner;
}

void LayerVariable::removeInputLayer()
{
    plane = nullptr;   // it holds the values of the layer that goes
    inputLayer.reset();
}

