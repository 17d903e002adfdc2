#include "generators/fractalnoise.h"

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
    float xpos = px;
    float ypos = py;
    mapping.windowToLayer(xpos, ypos);
    // Every variable is read at the point itself, so input layers line up
    // pixel for pixel with this layer.
    const int oct = patternlanes::octaveCount(variables[0].getValueAtPoint(px, py));
    const float lac = variables[1].getValueAtPoint(px, py);
    const float gain = variables[2].getValueAtPoint(px, py);
    const float cut = variables[3].getValueAtPoint(px, py);
    const patternlanes::Tables& tables = noiseTables();
    const float n = seamless ? patternlanes::torusFractalSum(tables, seamless::turnOf(xpos, zoomx),
                                                             seamless::radiusOf(zoomx), seamless::turnOf(ypos, zoomy),
                                                             seamless::radiusOf(zoomy), oct, lac, gain)
                             : patternlanes::fractalSum(tables, xpos, ypos, oct, lac, gain);
    return patternlanes::cutNoise(n, cut);
}

void FractalNoise::valueRow(int y, int x0, int count, float* out, int step) const
{
    const LayerVariable& octaves = variables[0];
    const LayerVariable& lacunarity = variables[1];
    const LayerVariable& gain = variables[2];
    const LayerVariable& cutoff = variables[3];
    // The variables first, while the stack holds only their rows: a driven
    // one evaluates its input layer, and that layer its own inputs.
    float lac[rowChunk], gains[rowChunk], cut[rowChunk];
    std::uint8_t oct[rowChunk];
    const bool uniform =
        !seamless && !octaves.getInputLayer() && !lacunarity.getInputLayer() && !gain.getInputLayer();
    if (!uniform) {
        octaves.getValuesAtRow(y, x0, count, out, step);
        for (int k = 0; k < count; ++k) oct[k] = static_cast<std::uint8_t>(patternlanes::octaveCount(out[k]));
        lacunarity.getValuesAtRow(y, x0, count, lac, step);
        gain.getValuesAtRow(y, x0, count, gains, step);
    }
    if (cutoff.getInputLayer()) cutoff.getValuesAtRow(y, x0, count, cut, step);

    // out holds the layer x coordinates, then the octaves' sums, then the
    // values.
    layerRowX(x0, count, out, step);
    const float ypos = layerRowY(y);
    const patternlanes::Tables& tables = noiseTables();
    if (seamless) {
        float sines[rowChunk];
        columnTurns.turns(mapping, textureWidth, zoomx, out, x0, count, out, sines, step);
        patternlanes::torusFractalSumRow(tables, out, sines, seamless::radiusOf(zoomx), seamless::turnOf(ypos, zoomy),
                                         seamless::radiusOf(zoomy), oct, lac, gains, count, out);
    } else if (uniform)
        patternlanes::fractalSumRow(tables, out, ypos, patternlanes::octaveCount(octaves.getValue()),
                                    lacunarity.getValue(), gain.getValue(), count, out);
    else
        patternlanes::fractalSumRow(tables, out, ypos, oct, lac, gains, count, out);
    if (cutoff.getInputLayer())
        patternlanes::cutNoiseRow(cut, count, out);
    else
        patternlanes::cutNoiseRow(cutoff.getValue(), count, out);
}

void FractalNoise::valuePoints(const float* px, const float* py, int count, float* out) const
{
    const LayerVariable& octaves = variables[0];
    const LayerVariable& lacunarity = variables[1];
    const LayerVariable& gain = variables[2];
    const LayerVariable& cutoff = variables[3];
    // The variables first, as in a row.
    float lac[rowChunk], gains[rowChunk], cut[rowChunk];
    std::uint8_t oct[rowChunk];
    const bool uniform =
        !seamless && !octaves.getInputLayer() && !lacunarity.getInputLayer() && !gain.getInputLayer();
    if (!uniform) {
        octaves.getValuesAtPoints(px, py, count, out);
        for (int k = 0; k < count; ++k) oct[k] = static_cast<std::uint8_t>(patternlanes::octaveCount(out[k]));
        lacunarity.getValuesAtPoints(px, py, count, lac);
        gain.getValuesAtPoints(px, py, count, gains);
    }
    if (cutoff.getInputLayer()) cutoff.getValuesAtPoints(px, py, count, cut);

    // out holds the layer x coordinates, then the octaves' sums, then the
    // values.
    float ys[rowChunk];
    layerPoints(px, py, count, out, ys);
    const patternlanes::Tables& tables = noiseTables();
    if (seamless)
        patternlanes::torusFractalSumPoints(tables, out, ys, zoomx, zoomy, oct, lac, gains, count, out);
    else if (uniform)
        patternlanes::fractalSumPoints(tables, out, ys, patternlanes::octaveCount(octaves.getValue()),
                                       lacunarity.getValue(), gain.getValue(), count, out);
    else
        patternlanes::fractalSumPoints(tables, out, ys, oct, lac, gains, count, out);
    if (cutoff.getInputLayer())
        patternlanes::cutNoiseRow(cut, count, out);
    else
        patternlanes::cutNoiseRow(cutoff.getValue(), count, out);
}
