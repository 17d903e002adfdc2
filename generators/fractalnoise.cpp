#include "generators/fractalnoise.h"

#include "generators/octavesum.h"
#include "generators/patternlanes.h"

void FractalNoise::createVariables()
{
    variables[0].init(this, "Octaves", 4.0f, 8.0f, 1.0f);
    variables[1].init(this, "Lacunarity", 2.0f, 4.0f, 1.0f);
    variables[2].init(this, "Gain", 0.5f, 1.0f, 0.0f);
    variables[3].init(this, "Cutoff", 0.5f, 1.0f, -1.0f);
    variableCount = 4;
}

float FractalNoise::valueAtPoint(float px, float py) const
{
    const float n = octavesum::at(*this, px, py, patternlanes::Fold::noise);
    return patternlanes::cutNoise(n, variables[3].getValueAtPoint(px, py));
}

void FractalNoise::valueRow(int y, int x0, int count, float* out, int step) const
{
    const LayerVariable& cutoff = variables[3];
    float cut[rowChunk];
    if (cutoff.getInputLayer()) cutoff.getValuesAtRow(y, x0, count, cut, step);
    // out holds the octaves' sums, then the values.
    octavesum::row(*this, columnTurns, y, x0, count, out, step, patternlanes::Fold::noise);
    if (cutoff.getInputLayer())
        patternlanes::cutNoiseRow(cut, count, out);
    else
        patternlanes::cutNoiseRow(cutoff.getValue(), count, out);
}

void FractalNoise::valuePoints(const float* px, const float* py, int count, float* out) const
{
    const LayerVariable& cutoff = variables[3];
    float cut[rowChunk];
    if (cutoff.getInputLayer()) cutoff.getValuesAtPoints(px, py, count, cut);
    octavesum::points(*this, px, py, count, out, patternlanes::Fold::noise);
    if (cutoff.getInputLayer())
        patternlanes::cutNoiseRow(cut, count, out);
    else
        patternlanes::cutNoiseRow(cutoff.getValue(), count, out);
}
