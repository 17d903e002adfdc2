#include "generators/blend.h"

#include "generators/patternlanes.h"

void Blend::createVariables()
{
    variables[0].init(this, "A", 0.0f, 1.0f, 0.0f);
    variables[1].init(this, "B", 1.0f, 1.0f, 0.0f);
    variables[2].init(this, "Mix", 0.5f, 1.0f, 0.0f);
    variableCount = 3;
}

float Blend::valueAtPoint(float px, float py) const
{
    return patternlanes::blend(variables[0].getValueAtPoint(px, py), variables[1].getValueAtPoint(px, py),
                               variables[2].getValueAtPoint(px, py));
}

void Blend::valueRow(int y, int x0, int count, float* out, int step) const
{
    float b[rowChunk], m[rowChunk];
    variables[0].getValuesAtRow(y, x0, count, out, step);
    variables[1].getValuesAtRow(y, x0, count, b, step);
    variables[2].getValuesAtRow(y, x0, count, m, step);
    patternlanes::blendRow(out, b, m, count, out);
}

void Blend::valuePoints(const float* px, const float* py, int count, float* out) const
{
    float b[rowChunk], m[rowChunk];
    variables[0].getValuesAtPoints(px, py, count, out);
    variables[1].getValuesAtPoints(px, py, count, b);
    variables[2].getValuesAtPoints(px, py, count, m);
    patternlanes::blendRow(out, b, m, count, out);
}
