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

namespace {

// The octaves, lacunarity and gain of each evaluated pixel or point, read
// before anything else while the stack holds only their values: a driven
// variable evaluates its input layer, and that layer its own inputs. With
// none driven (and flat) the layer's own values serve every lane and nothing
// is read.
struct OctaveInputs {
    float lac[Renderable::rowChunk], gains[Renderable::rowChunk];
    std::uint8_t oct[Renderable::rowChunk];
    bool uniform = false;
};

// read(variable, into) fills into with the variable's count values; scratch
// holds count floats.
template <typename Read>
void gather(const Renderable& layer, int count, float* scratch, Read read, OctaveInputs& in)
{
    const LayerVariable& octaves = layer.variables[0];
    const LayerVariable& lacunarity = layer.variables[1];
    const LayerVariable& gain = layer.variables[2];
    in.uniform = !layer.seamless && !octaves.getInputLayer() && !lacunarity.getInputLayer() && !gain.getInputLayer();
    if (in.uniform) return;
    read(octaves, scratch);
    for (int k = 0; k < count; ++k) in.oct[k] = static_cast<std::uint8_t>(patternlanes::octaveCount(scratch[k]));
    read(lacunarity, in.lac);
    read(gain, in.gains);
}

} // namespace

void row(const Renderable& layer, const seamless::ColumnTurns& turns, int y, int x0, int count, float* out, int step,
         patternlanes::Fold fold)
{
    constexpr int chunk = Renderable::rowChunk;
    OctaveInputs in;
    gather(layer, count, out, [&](const LayerVariable& v, float* into) { v.getValuesAtRow(y, x0, count, into, step); },
           in);

    // out holds the layer x coordinates, then the octaves' sums.
    rowkernels::layerX(layer.mapping, x0, count, out, step);
    float lx = 0.0f, ypos = static_cast<float>(y);
    layer.mapping.windowToLayer(lx, ypos);   // y depends on y alone
    const patternlanes::Tables& tables = layer.noiseTables();
    if (layer.seamless) {
        float sines[chunk];
        turns.turns(layer.mapping, layer.textureWidth, layer.zoomx, out, x0, count, out, sines, step);
        patternlanes::torusFractalSumRow(tables, out, sines, seamless::radiusOf(layer.zoomx),
                                         seamless::turnOf(ypos, layer.zoomy), seamless::radiusOf(layer.zoomy), in.oct,
                                         in.lac, in.gains, count, out, fold);
    } else if (in.uniform)
        patternlanes::fractalSumRow(tables, out, ypos, patternlanes::octaveCount(layer.variables[0].getValue()),
                                    layer.variables[1].getValue(), layer.variables[2].getValue(), count, out, fold);
    else
        patternlanes::fractalSumRow(tables, out, ypos, in.oct, in.lac, in.gains, count, out, fold);
}

void points(const Renderable& layer, const float* px, const float* py, int count, float* out, patternlanes::Fold fold)
{
    constexpr int chunk = Renderable::rowChunk;
    OctaveInputs in;
    gather(layer, count, out, [&](const LayerVariable& v, float* into) { v.getValuesAtPoints(px, py, count, into); }, in);

    // out holds the layer x coordinates, then the octaves' sums.
    float ys[chunk];
    rowkernels::layerPoints(layer.mapping, px, py, count, out, ys);
    const patternlanes::Tables& tables = layer.noiseTables();
    if (layer.seamless)
        patternlanes::torusFractalSumPoints(tables, out, ys, layer.zoomx, layer.zoomy, in.oct, in.lac, in.gains, count, out,
                                            fold);
    else if (in.uniform)
        patternlanes::fractalSumPoints(tables, out, ys, patternlanes::octaveCount(layer.variables[0].getValue()),
                                       layer.variables[1].getValue(), layer.variables[2].getValue(), count, out, fold);
    else
        patternlanes::fractalSumPoints(tables, out, ys, in.oct, in.lac, in.gains, count, out, fold);
}

} // namespace octavesum
