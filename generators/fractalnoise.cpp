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

float FractalNoise::valueAt(int x, int y) const
{
    const float n = octavesum::at(*this, x, y, patternlanes::Fold::noise);
    return patternlanes::cutNoise(n, variables[3].getValueAt(x, y));
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
