#include "generators/gradient.h"

#include "generators/shapinglanes.h"
#include "generators/variablerun.h"

void Gradient::createVariables()
{
    variables[0].init(this, "Shape", 2.0f, 2.0f, 0.0f);
    variables[1].init(this, "Softness", 1.0f, 1.0f, 0.0f);
    variableCount = 2;
}

float Gradient::valueAtPoint(float px, float py) const
{
    float xpos = px;
    float ypos = py;
    mapping.windowToLayer(xpos, ypos);
    if (seamless) {
        xpos = shapinglanes::wrapX(xpos, mapping.layerLeft, zoomx);
        ypos = shapinglanes::wrapY(ypos, mapping.layerTop, zoomy);
    }
    const int m = shapinglanes::wholeNumber(variables[0].getValueAtPoint(px, py), 0, shapinglanes::shapeCount - 1);
    return shapinglanes::gradient(xpos, ypos, m, variables[1].getValueAtPoint(px, py));
}

void Gradient::valueRow(int y, int x0, int count, float* out, int step) const
{
    float shape[rowChunk], softness[rowChunk];
    const VariableRun m = readRun(variables[0], y, x0, count, step, shape);
    const VariableRun e = readRun(variables[1], y, x0, count, step, softness);
    // out holds the layer x coordinates until each is replaced by its value.
    layerRowX(x0, count, out, step);
    float ypos = layerRowY(y);
    if (seamless) {
        for (int k = 0; k < count; ++k) out[k] = shapinglanes::wrapX(out[k], mapping.layerLeft, zoomx);
        ypos = shapinglanes::wrapY(ypos, mapping.layerTop, zoomy);
    }
    shapinglanes::gradientRow(out, 1, &ypos, 0, m.values, m.step, e.values, e.step, count, out);
}

void Gradient::valuePoints(const float* px, const float* py, int count, float* out) const
{
    float shape[rowChunk], softness[rowChunk], ys[rowChunk];
    const VariableRun m = readPoints(variables[0], px, py, count, shape);
    const VariableRun e = readPoints(variables[1], px, py, count, softness);
    // out holds the layer x coordinates until each is replaced by its value.
    layerPoints(px, py, count, out, ys);
    if (seamless)
        for (int k = 0; k < count; ++k) {
            out[k] = shapinglanes::wrapX(out[k], mapping.layerLeft, zoomx);
            ys[k] = shapinglanes::wrapY(ys[k], mapping.layerTop, zoomy);
        }
    shapinglanes::gradientRow(out, 1, ys, 1, m.values, m.step, e.values, e.step, count, out);
}

const char* Gradient::valueName(int index, float value) const
{
    if (index != 0) return nullptr;
    return shapinglanes::shapeNames[shapinglanes::wholeNumber(value, 0, shapinglanes::shapeCount - 1)];
}
