#include "generators/warp.h"

#include "generators/patternlanes.h"

namespace {
enum Variable { source, warpX, warpY, amount };
}

void Warp::createVariables()
{
    variables[source].init(this, "Source", 0.5f, 1.0f, 0.0f);
    variables[warpX].init(this, "Warp X", 0.5f, 1.0f, 0.0f);
    variables[warpY].init(this, "Warp Y", 0.5f, 1.0f, 0.0f);
    variables[amount].init(this, "Amount", 0.1f, 1.0f, 0.0f);
    variableCount = 4;
}

float Warp::valueAtPoint(float px, float py) const
{
    const float wx = variables[warpX].getValueAtPoint(px, py);
    const float wy = variables[warpY].getValueAtPoint(px, py);
    const float a = variables[amount].getValueAtPoint(px, py);
    float qx = 0.0f, qy = 0.0f;
    if (!patternlanes::warpedPoint(px, py, wx, wy, a, static_cast<float>(textureWidth), qx, qy)) return 0.0f;
    // A NaN from the Source is left to the clamp, which makes it 1.
    return patternlanes::clampUnit(variables[source].getValueAtPoint(qx, qy));
}

void Warp::valueRow(int y, int x0, int count, float* out, int step) const
{
    float qx[rowChunk], qy[rowChunk], a[rowChunk];
    variables[warpX].getValuesAtRow(y, x0, count, qx, step);
    variables[warpY].getValuesAtRow(y, x0, count, qy, step);
    const LayerVariable& amounts = variables[amount];
    const float fixedAmount = amounts.getValue();
    if (amounts.getInputLayer()) amounts.getValuesAtRow(y, x0, count, a, step);
    // out holds the pixels' x until the Source's values replace them.
    for (int k = 0; k < count; ++k) out[k] = static_cast<float>(x0 + k * step);
    const float rowY = static_cast<float>(y);
    const bool driven = amounts.getInputLayer() != nullptr;
    warpTo(out, &rowY, 0, qx, qy, driven ? a : &fixedAmount, driven ? 1 : 0, a, count, out);
}

void Warp::valuePoints(const float* px, const float* py, int count, float* out) const
{
    float qx[rowChunk], qy[rowChunk], a[rowChunk];
    variables[warpX].getValuesAtPoints(px, py, count, qx);
    variables[warpY].getValuesAtPoints(px, py, count, qy);
    const LayerVariable& amounts = variables[amount];
    const float fixedAmount = amounts.getValue();
    if (amounts.getInputLayer()) amounts.getValuesAtPoints(px, py, count, a);
    const bool driven = amounts.getInputLayer() != nullptr;
    warpTo(px, py, 1, qx, qy, driven ? a : &fixedAmount, driven ? 1 : 0, a, count, out);
}

void Warp::warpTo(const float* px, const float* py, int pyStep, float* qx, float* qy, const float* amountValues,
                  int amountStep, float* read, int count, float* out) const
{
    patternlanes::warpPoints(px, py, pyStep, qx, qy, amountValues, amountStep, static_cast<float>(textureWidth), count,
                             read);
    variables[source].getValuesAtPoints(qx, qy, count, out);
    patternlanes::warpValues(read, count, out);
}

bool Warp::readsInputAtPixels(int index) const
{
    return index != source;
}
