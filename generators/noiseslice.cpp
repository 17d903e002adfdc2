#include "generators/noiseslice.h"

#include "generators/gradientnoise.h"
#include "generators/patternlanes.h"

void NoiseSlice::createVariables()
{
    variables[0].init(this, "Cutoff", 0.5f, 1.0f, -1.0f);
    variableCount = 1;
}

float NoiseSlice::valueAt(int x, int y) const
{
    float xpos = static_cast<float>(x);
    float ypos = static_cast<float>(y);
    mapping.windowToLayer(xpos, ypos);
    const float n = GradientNoise::sample2(xpos, ypos);
    // The Cutoff is read at the texture pixel, so an input layer driving it
    // lines up pixel for pixel with this layer.
    const float cut = variables[0].getValueAt(x, y);
    return patternlanes::cutNoise(n, cut);
}

void NoiseSlice::valueRow(int y, int x0, int count, float* out, int step) const
{
    // out holds the layer x coordinates, then the noise, then the values;
    // one buffer per layer keeps a deep tree's stack small.
    layerRowX(x0, count, out, step);
    GradientNoise::sample2Row(out, layerRowY(y), count, out);
    const LayerVariable& cutoff = variables[0];
    if (!cutoff.getInputLayer()) {
        patternlanes::cutNoiseRow(cutoff.getValue(), count, out);
        return;
    }
    float cut[rowChunk];
    cutoff.getValuesAtRow(y, x0, count, cut, step);
    patternlanes::cutNoiseRow(cut, count, out);
}
