#include "generators/noiseslice.h"

#include "generators/gradientnoise.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The layer value of noise n under Cutoff cut. One definition for the pixel
// and the row evaluation keeps the two bit for bit the same.
inline float cutNoise(float n, float cut)
{
    const float h = (n + 1.0f) * 0.5f;
    if (!(h > cut)) return 0.0f;
    // At Cutoff 1 the factor is infinite; the clamps below bring the rare
    // noise values above 1 to exactly 1.
    float v = (h - cut) * (1.0f / (1.0f - cut));
    if (!(v < 1.0f)) v = 1.0f;
    if (!(v > 0.0f)) v = 0.0f;
    return v;
}

// cutNoise on four lanes, branch-free: each comparison is the scalar one and
// each rejected lane gets the same +0 or 1.
#if defined(__SSE2__)
inline __m128 cutNoise4(__m128 n, __m128 cut)
{
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 h = _mm_mul_ps(_mm_add_ps(n, one), _mm_set1_ps(0.5f));
    const __m128 above = _mm_cmpgt_ps(h, cut);
    __m128 v = _mm_mul_ps(_mm_sub_ps(h, cut), _mm_div_ps(one, _mm_sub_ps(one, cut)));
    const __m128 belowOne = _mm_cmplt_ps(v, one);
    v = _mm_or_ps(_mm_and_ps(belowOne, v), _mm_andnot_ps(belowOne, one));
    v = _mm_and_ps(_mm_cmpgt_ps(v, _mm_setzero_ps()), v);
    return _mm_and_ps(above, v);
}
#endif

void cutNoiseRow(const float* cut, int count, float* values)
{
    int k = 0;
#if defined(__SSE2__)
    for (; k + 4 <= count; k += 4)
        _mm_storeu_ps(values + k, cutNoise4(_mm_loadu_ps(values + k), _mm_loadu_ps(cut + k)));
#endif
    for (; k < count; ++k) values[k] = cutNoise(values[k], cut[k]);
}

} // namespace

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
    return cutNoise(n, cut);
}

void NoiseSlice::valueRow(int y, int x0, int count, float* out) const
{
    // out holds the layer x coordinates, then the noise, then the values;
    // one buffer per layer keeps a deep tree's stack small.
    layerRowX(x0, count, out);
    GradientNoise::sample2Row(out, layerRowY(y), count, out);
    float cut[rowChunk];
    variables[0].getValuesAtRow(y, x0, count, cut);
    cutNoiseRow(cut, count, out);
}
