#include "generators/noiseslice.h"

#include "generators/gradientnoise.h"
#include "generators/noisetables.h"
#include "generators/patternlanes.h"
#include "generators/seamless.h"

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
    const GradientNoise::noisetables::TableSet& tables = noiseTables();
    const float n = seamless ? seamless::torusNoise(tables, seamless::turnOf(xpos, zoomx), seamless::radiusOf(zoomx),
                                                    seamless::turnOf(ypos, zoomy), seamless::radiusOf(zoomy))
                             : GradientNoise::sample2(tables, xpos, ypos);
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
    if (seamless)
        torusRow(y, x0, count, out, step);
    else
        GradientNoise::sample2Row(noiseTables(), out, layerRowY(y), count, out);
    const LayerVariable& cutoff = variables[0];
    if (!cutoff.getInputLayer()) {
        patternlanes::cutNoiseRow(cutoff.getValue(), count, out);
        return;
    }
    float cut[rowChunk];
    cutoff.getValuesAtRow(y, x0, count, cut, step);
    patternlanes::cutNoiseRow(cut, count, out);
}

void NoiseSlice::torusRow(int y, int x0, int count, float* out, int step) const
{
    float sines[rowChunk];
    columnTurns.turns(mapping, textureWidth, zoomx, out, x0, count, out, sines, step);
    seamless::torusNoiseRow(noiseTables(), out, sines, seamless::radiusOf(zoomx),
                            seamless::turnOf(layerRowY(y), zoomy), seamless::radiusOf(zoomy), count, out);
}
