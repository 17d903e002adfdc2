#include "generators/circles.h"

#include "generators/cellmath.h"
#include "generators/celllanes.h"
#include "layers/saturate.h"

namespace {

// Whether a point at (u, v) within its cell lies strictly inside the disc of
// radius r that touches the cell's lower edges.
inline bool insideDisc(float u, float v, float r)
{
    const float du = u - r;
    const float dv = v - r;
    return r * r > du * du + dv * dv;
}

// The test for layer point (xpos, ypos) with Radius r and Spacing s.
bool insideWith(float xpos, float ypos, float r, float s)
{
    const float period = 2.0f * r + s;
    return insideDisc(wrapPositive(xpos, period), wrapPositive(ypos, period), r);
}

} // namespace

void Circles::createVariables()
{
    variables[0].init(this, "Radius", 2.0f, 10.0f, 0.001f);
    variables[1].init(this, "Spacing", 2.0f, 10.0f, 0.001f);
    variableCount = 2;
}

float Circles::valueAt(int x, int y) const
{
    float xpos = static_cast<float>(x);
    float ypos = static_cast<float>(y);
    mapping.windowToLayer(xpos, ypos);
    return insideCircle(xpos, ypos) ? 1.0f : 0.0f;
}

bool Circles::insideCircle(float xpos, float ypos) const
{
    // The variables are read at the truncated layer coordinates, not at the
    // point's texture pixel: a driven Radius or Spacing therefore follows the
    // input layer's pixels around the layer origin, whatever this view shows.
    const int px = saturatingTrunc(xpos);
    const int py = saturatingTrunc(ypos);
    const float r = variables[0].getValueAt(px, py);
    const float s = variables[1].getValueAt(px, py);
    return insideWith(xpos, ypos, r, s);
}

namespace {

// A variable's value at (trunc(xpos[k]), py) for each k. The truncated
// points of a row run from left to right, so when they span at most count
// pixels the input layer is evaluated once along that stretch of its row py;
// otherwise pixel by pixel, asking again only when the point changes.
// Evaluation is pure, so both give exactly getValueAt's values.
void valuesAtTruncated(const LayerVariable& variable, const float* xpos, int py, int count, float* out)
{
    if (!variable.getInputLayer()) {
        const float value = variable.getValue();
        for (int k = 0; k < count; ++k) out[k] = value;
        return;
    }
    const int first = saturatingTrunc(xpos[0]);
    const long long span = static_cast<long long>(saturatingTrunc(xpos[count - 1])) - first + 1;
    if (span >= 1 && span <= count) {
        float row[Renderable::rowChunk];
        variable.getValuesAtRow(py, first, static_cast<int>(span), row);
        for (int k = 0; k < count; ++k) {
            const int px = saturatingTrunc(xpos[k]);
            const long long at = static_cast<long long>(px) - first;
            out[k] = at >= 0 && at < span ? row[at] : variable.getValueAt(px, py);
        }
        return;
    }
    int lastPx = 0;
    float value = 0.0f;
    for (int k = 0; k < count; ++k) {
        const int px = saturatingTrunc(xpos[k]);
        if (k == 0 || px != lastPx) {
            value = variable.getValueAt(px, py);
            lastPx = px;
        }
        out[k] = value;
    }
}

} // namespace

void Circles::valueRow(int y, int x0, int count, float* out) const
{
    // out holds the layer x coordinates until each is replaced by its value.
    layerRowX(x0, count, out);
    const float ypos = layerRowY(y);
    // The variables are read at the truncated layer point, not at the pixel
    // computed.
    const int py = saturatingTrunc(ypos);
    float r[rowChunk], s[rowChunk];
    valuesAtTruncated(variables[0], out, py, count, r);
    valuesAtTruncated(variables[1], out, py, count, s);

    int k = 0;
#if defined(__SSE2__)
    const __m128 vy = _mm_set1_ps(ypos);
    for (; k + 4 <= count; k += 4) {
        const __m128 x = _mm_loadu_ps(out + k);
        const __m128 radius = _mm_loadu_ps(r + k);
        const __m128 period = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(2.0f), radius), _mm_loadu_ps(s + k));
        int exactU = 0, exactV = 0;
        const __m128 du = _mm_sub_ps(celllanes::wrapPositive4(x, period, &exactU), radius);
        const __m128 dv = _mm_sub_ps(celllanes::wrapPositive4(vy, period, &exactV), radius);
        const __m128 inside =
            _mm_cmpgt_ps(_mm_mul_ps(radius, radius), _mm_add_ps(_mm_mul_ps(du, du), _mm_mul_ps(dv, dv)));
        if ((exactU & exactV) == 0xf) {
            _mm_storeu_ps(out + k, celllanes::oneWhere(inside));
            continue;
        }
        alignas(16) float xs[4];
        _mm_store_ps(xs, x);
        _mm_storeu_ps(out + k, celllanes::oneWhere(inside));
        for (int l = 0; l < 4; ++l)
            if (!(exactU & exactV & (1 << l))) out[k + l] = insideWith(xs[l], ypos, r[k + l], s[k + l]) ? 1.0f : 0.0f;
    }
#endif
    for (; k < count; ++k) out[k] = insideWith(out[k], ypos, r[k], s[k]) ? 1.0f : 0.0f;
}
