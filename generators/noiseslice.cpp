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

float NoiseSlice::valueAtPoint(float px, float py) const
{
    float xpos = px;
    float ypos = py;
    mapping.windowToLayer(xpos, ypos);
    const GradientNoise::noisetables::TableSet& tables = noiseTables();
    const float n = seamless ? seamless::torusNoise(tables, seamless::turnOf(xpos, zoomx), seamless::radiusOf(zoomx),
                                                    seamless::turnOf(ypos, zoomy), seamless::radiusOf(zoomy))
                             : GradientNoise::sample2(tables, xpos, ypos);
    // The Cutoff is read at the point itself (the texture pixel, not the
    // layer coordinates), so an input layer driving it lines up pixel for
    // pixel with this layer.
    const float cut = variables[0].getValueAtPoint(px, py);
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

void NoiseSlice::valuePoints(const float* px, const float* py, int count, float* out) const
{
    // out holds the layer x coordinates, then the noise, then the values;
    // ys the layer y coordinates, then the Cutoff.
    float ys[rowChunk];
    layerPoints(px, py, count, out, ys);
    if (seamless)
        seamless::torusNoisePoints(noiseTables(), out, ys, zoomx, zoomy, count, out);
    else
        GradientNoise::sample2Batch(noiseTables(), out, ys, count, out);
    const LayerVariable& cutoff = variables[0];
    if (!cutoff.getInputLayer()) {
        patternlanes::cutNoiseRow(cutoff.getValue(), count, out);
        return;
    }
    cutoff.getValuesAtPoints(px, py, count, ys);
    patternlanes::cutNoiseRow(ys, count, out);
}

void NoiseSlice::torusRow(int y, int x0, int count, float* out, int step) const
{
    float sines[rowChunk];
    columnTurns.turns(mapping, textureWidth, zoomx, out, x0, count, out, sines, step);
    seamless::torusNoiseRow(noiseTables(), out, sines, seamless::radiusOf(zoomx),
                            seamless::turnOf(layerRowY(y), zoomy), seamless::radiusOf(zoomy), count, out);
}
