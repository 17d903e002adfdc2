#include "generators/circles.h"

#include "generators/cellmath.h"
#include "generators/patternlanes.h"
#include "generators/seamless.h"
#include "layers/saturate.h"

#include <algorithm>

namespace {

// Seamless, the disc's cell is fitted to the extents: on each axis the
// period 2r + s becomes the extent divided by a whole number of periods.
bool insideFittedDisc(float xpos, float ypos, float r, float s, float extentX, float extentY)
{
    const float period = 2.0f * r + s;
    const float du = wrapPositive(xpos, seamless::fittedPeriod(extentX, period)) - r;
    const float dv = wrapPositive(ypos, seamless::fittedPeriod(extentY, period)) - r;
    return r * r > du * du + dv * dv;
}

} // namespace

void Circles::createVariables()
{
    variables[0].init(this, "Radius", 2.0f, 10.0f, 0.001f);
    variables[1].init(this, "Spacing", 2.0f, 10.0f, 0.001f);
    variableCount = 2;
}

float Circles::valueAtPoint(float px, float py) const
{
    float xpos = px;
    float ypos = py;
    mapping.windowToLayer(xpos, ypos);
    if (seamless) {
        // Read at the point itself, the variables repeat with the view as
        // the inputs that drive them do.
        const float r = variables[0].getValueAtPoint(px, py);
        const float s = variables[1].getValueAtPoint(px, py);
        return insideFittedDisc(xpos, ypos, r, s, zoomx, zoomy) ? 1.0f : 0.0f;
    }
    return insideCircle(xpos, ypos) ? 1.0f : 0.0f;
}

bool Circles::insideCircle(float xpos, float ypos) const
{
    // The variables are read at the truncated layer coordinates, not at the
    // point's texture pixel: a driven Radius or Spacing therefore follows the
    // input layer's pixels around the layer origin, whatever this view shows.
    const int px = saturatingTrunc(xpos);
    const int py = saturatingTrunc(ypos);
    const float r = variables[0].getValueAt(px, py);
    const float s = variables[1].getValueAt(px, py);
    return patternlanes::insideDisc(xpos, ypos, r, s);
}

void Circles::inputOrigin(int /*index*/, int& x0, int& y0) const
{
    // Seamless, the variables are read at the pixel itself.
    if (seamless) {
        x0 = y0 = 0;
        return;
    }
    // The lowest truncated layer point of the view: the mapping is linear
    // and truncation keeps order, so it lies at one end of each axis (the
    // layer y falls as the row rises).
    float xFirst = 0.0f, yFirst = 0.0f;
    float xLast = static_cast<float>(textureWidth - 1), yLast = static_cast<float>(textureHeight - 1);
    mapping.windowToLayer(xFirst, yFirst);
    mapping.windowToLayer(xLast, yLast);
    x0 = std::min(saturatingTrunc(xFirst), saturatingTrunc(xLast));
    y0 = std::min(saturatingTrunc(yFirst), saturatingTrunc(yLast));
}

namespace {

// A variable's value at (trunc(xpos[k]), py) for each k. The truncated
// points of a row run from left to right, so when they span at most count
// pixels the input layer is evaluated once along that stretch of its row py;
// otherwise pixel by pixel, asking again only when the point changes.
// Evaluation is pure, so both give exactly getValueAt's values.
void valuesAtTruncated(const LayerVariable& variable, const float* xpos, int py, int count, float* out)
{
    if (!variable.getInputLayer()) {
        const float value = variable.getValue();
        for (int k = 0; k < count; ++k) out[k] = value;
        return;
    }
    const int first = saturatingTrunc(xpos[0]);
    const long long span = static_cast<long long>(saturatingTrunc(xpos[count - 1])) - first + 1;
    if (span >= 1 && span <= count) {
        float row[Renderable::rowChunk];
        variable.getValuesAtRow(py, first, static_cast<int>(span), row);
        for (int k = 0; k < count; ++k) {
            const int px = saturatingTrunc(xpos[k]);
            const long long at = static_cast<long long>(px) - first;
            out[k] = at >= 0 && at < span ? row[at] : variable.getValueAt(px, py);
        }
        return;
    }
    int lastPx = 0;
    float value = 0.0f;
    for (int k = 0; k < count; ++k) {
        const int px = saturatingTrunc(xpos[k]);
        if (k == 0 || px != lastPx) {
            value = variable.getValueAt(px, py);
            lastPx = px;
        }
        out[k] = value;
    }
}

} // namespace

void Circles::valueRow(int y, int x0, int count, float* out, int step) const
{
    // out holds the layer x coordinates until each is replaced by its value.
    layerRowX(x0, count, out, step);
    const float ypos = layerRowY(y);
    float r[rowChunk], s[rowChunk];
    if (seamless) {
        variables[0].getValuesAtRow(y, x0, count, r, step);
        variables[1].getValuesAtRow(y, x0, count, s, step);
        for (int k = 0; k < count; ++k) out[k] = insideFittedDisc(out[k], ypos, r[k], s[k], zoomx, zoomy) ? 1.0f : 0.0f;
        return;
    }
    // The variables are read at the truncated layer point, not at the pixel
    // computed.
    const int py = saturatingTrunc(ypos);
    valuesAtTruncated(variables[0], out, py, count, r);
    valuesAtTruncated(variables[1], out, py, count, s);

    patternlanes::insideDiscsRow(out, ypos, r, s, count, out);
}

namespace {

// A variable's value at (trunc(xpos[k]), trunc(ypos[k])) for each k, asked
// again only when that pixel changes from one point to the next.
void valuesAtTruncatedPoints(const LayerVariable& variable, const float* xpos, const float* ypos, int count, float* out)
{
    if (!variable.getInputLayer()) {
        const float value = variable.getValue();
        for (int k = 0; k < count; ++k) out[k] = value;
        return;
    }
    int lastPx = 0, lastPy = 0;
    float value = 0.0f;
    for (int k = 0; k < count; ++k) {
        const int px = saturatingTrunc(xpos[k]);
        const int py = saturatingTrunc(ypos[k]);
        if (k == 0 || px != lastPx || py != lastPy) {
            value = variable.getValueAt(px, py);
            lastPx = px;
            lastPy = py;
        }
        out[k] = value;
    }
}

} // namespace

void Circles::valuePoints(const float* px, const float* py, int count, float* out) const
{
    // out holds the layer x coordinates until each is replaced by its value.
    float ys[rowChunk], r[rowChunk], s[rowChunk];
    layerPoints(px, py, count, out, ys);
    if (seamless) {
        variables[0].getValuesAtPoints(px, py, count, r);
        variables[1].getValuesAtPoints(px, py, count, s);
        for (int k = 0; k < count; ++k) out[k] = insideFittedDisc(out[k], ys[k], r[k], s[k], zoomx, zoomy) ? 1.0f : 0.0f;
        return;
    }
    valuesAtTruncatedPoints(variables[0], out, ys, count, r);
    valuesAtTruncatedPoints(variables[1], out, ys, count, s);
    patternlanes::insideDiscsPoints(out, ys, r, s, count, out);
}
