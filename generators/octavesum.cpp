#include "generators/octavesum.h"

#include "layers/renderable.h"
#include "layers/rowkernels.h"

namespace octavesum {

float at(const Renderable& layer, float px, float py, patternlanes::Fold fold)
{
    float xpos = px;
    float ypos = py;
    layer.mapping.windowToLayer(xpos, ypos);
    // Every variable is read at the point itself, so input layers line up
    // pixel for pixel with this layer.
    const int oct = patternlanes::octaveCount(layer.variables[0].getValueAtPoint(px, py));
    const float lac = layer.variables[1].getValueAtPoint(px, py);
    const float gain = layer.variables[2].getValueAtPoint(px, py);
    const patternlanes::Tables& tables = layer.noiseTables();
    if (!layer.seamless) return patternlanes::fractalSum(tables, xpos, ypos, oct, lac, gain, fold);
    return patternlanes::torusFractalSum(tables, seamless::turnOf(xpos, layer.zoomx), seamless::radiusOf(layer.zoomx),
                                         seamless::turnOf(ypos, layer.zoomy), seamless::radiusOf(layer.zoomy), oct,
                                         lac, gain, fold);
}

void row(const Renderable& layer, const seamless::ColumnTurns& turns, int y, int x0, int count, float* out, int step,
         patternlanes::Fold fold)
{
    constexpr int chunk = Renderable::rowChunk;
    const LayerVariable& octaves = layer.variables[0];
    const LayerVariable& lacunarity = layer.variables[1];
    const LayerVariable& gain = layer.variables[2];
    // The variables first, while the stack holds only their rows: a driven
    // one evaluates its input layer, and that layer its own inputs.
    float lac[chunk], gains[chunk];
    std::uint8_t oct[chunk];
    const bool uniform =
        !layer.seamless && !octaves.getInputLayer() && !lacunarity.getInputLayer() && !gain.getInputLayer();
    if (!uniform) {
        octaves.getValuesAtRow(y, x0, count, out, step);
        for (int k = 0; k < count; ++k) oct[k] = static_cast<std::uint8_t>(patternlanes::octaveCount(out[k]));
        lacunarity.getValuesAtRow(y, x0, count, lac, step);
        gain.getValuesAtRow(y, x0, count, gains, step);
    }

    // out holds the layer x coordinates, then the octaves' sums.
    rowkernels::layerX(layer.mapping, x0, count, out, step);
    float lx = 0.0f, ypos = static_cast<float>(y);
    layer.mapping.windowToLayer(lx, ypos);   // y depends on y alone
    const patternlanes::Tables& tables = layer.noiseTables();
    if (layer.seamless) {
        float sines[chunk];
        turns.turns(layer.mapping, layer.textureWidth, layer.zoomx, out, x0, count, out, sines, step);
        patternlanes::torusFractalSumRow(tables, out, sines, seamless::radiusOf(layer.zoomx),
                                         seamless::turnOf(ypos, layer.zoomy), seamless::radiusOf(layer.zoomy), oct,
                                         lac, gains, count, out, fold);
    } else if (uniform)
        patternlanes::fractalSumRow(tables, out, ypos, patternlanes::octaveCount(octaves.getValue()),
                                    lacunarity.getValue(), gain.getValue(), count, out, fold);
    else
        patternlanes::fractalSumRow(tables, out, ypos, oct, lac, gains, count, out, fold);
}

void points(const Renderable& layer, const float* px, const float* py, int count, float* out, patternlanes::Fold fold)
{
    constexpr int chunk = Renderable::rowChunk;
    const LayerVariable& octaves = layer.variables[0];
    const LayerVariable& lacunarity = layer.variables[1];
    const LayerVariable& gain = layer.variables[2];
    // The variables first, as in a row.
    float lac[chunk], gains[chunk];
    std::uint8_t oct[chunk];
    const bool uniform =
        !layer.seamless && !octaves.getInputLayer() && !lacunarity.getInputLayer() && !gain.getInputLayer();
    if (!uniform) {
        octaves.getValuesAtPoints(px, py, count, out);
        for (int k = 0; k < count; ++k) oct[k] = static_cast<std::uint8_t>(patternlanes::octaveCount(out[k]));
        lacunarity.getValuesAtPoints(px, py, count, lac);
        gain.getValuesAtPoints(px, py, count, gains);
    }

    // out holds the layer x coordinates, then the octaves' sums.
    float ys[chunk];
    rowkernels::layerPoints(layer.mapping, px, py, count, out, ys);
    const patternlanes::Tables& tables = layer.noiseTables();
    if (layer.seamless)
        patternlanes::torusFractalSumPoints(tables, out, ys, layer.zoomx, layer.zoomy, oct, lac, gains, count, out,
                                            fold);
    else if (uniform)
        patternlanes::fractalSumPoints(tables, out, ys, patternlanes::octaveCount(octaves.getValue()),
                                       lacunarity.getValue(), gain.getValue(), count, out, fold);
    else
        patternlanes::fractalSumPoints(tables, out, ys, oct, lac, gains, count, out, fold);
}

} // namespace octavesum
