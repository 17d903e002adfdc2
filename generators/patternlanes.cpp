// Highway compiles this file once per target; the lanes repeat the scalar
// definitions of patternlanes.h operation for operation.
//
// wrapPositive on lanes: a lane is computed as wrapPositive computes it when
// its quotient a / b is a number well inside the int range; then truncation
// by conversion and saturatingTrunc agree. The other lanes (b = 0, NaN, huge
// quotients) are converted as 0 and then computed by the scalar definition.
#include "generators/patternlanes.h"

#include "generators/gradientnoise.h"

#include <cmath>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "generators/patternlanes.cpp"
#include <hwy/foreach_target.h>
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace patternlanes {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using VF = hn::Vec<DF>;
using MF = hn::Mask<DF>;

// cutStep is 1 for a Cutoff per value, 0 for one Cutoff for the whole run,
// whose factor 1 / (1 - cut) is then divided out once.
void CutNoiseLanes(const float* cut, int cutStep, int count, float* values)
{
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const VF one = hn::Set(df, 1.0f);
    const VF fixedCut = hn::Set(df, *cut);
    const VF fixedFactor = hn::Div(one, hn::Sub(one, fixedCut));
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        const VF n = hn::LoadU(df, values + k);
        const VF c = cutStep ? hn::LoadU(df, cut + k) : fixedCut;
        const VF factor = cutStep ? hn::Div(one, hn::Sub(one, c)) : fixedFactor;
        // Each comparison is the scalar one, and a rejected lane gets the
        // same +0 or 1.
        const VF h = hn::Mul(hn::Add(n, one), hn::Set(df, 0.5f));
        VF v = hn::Mul(hn::Sub(h, c), factor);
        v = hn::IfThenElse(hn::Lt(v, one), v, one);
        v = hn::IfThenElseZero(hn::Gt(v, hn::Zero(df)), v);
        hn::StoreU(hn::IfThenElseZero(hn::Gt(h, c), v), df, values + k);
    }
    for (; k < count; ++k) values[k] = cutNoise(values[k], cut[k * cutStep]);
}

// wrapPositive(a, b) on the lanes set in *exact.
HWY_INLINE VF WrapPositive(VF a, VF b, MF* exact)
{
    const DF df;
    const DI di;
    const VF q = hn::Div(a, b);
    *exact = hn::Lt(hn::Abs(q), hn::Set(df, 1073741824.0f));
    const auto k = hn::Abs(hn::ConvertTo(di, hn::IfThenElseZero(*exact, q)));
    const VF down = hn::Sub(a, hn::Mul(b, hn::ConvertTo(df, k)));
    const VF up = hn::Add(a, hn::Mul(b, hn::ConvertTo(df, hn::Add(k, hn::Set(di, 1)))));
    return hn::IfThenElse(hn::Ge(a, hn::Zero(df)), down, up);
}

// 1.0 where the test holds, +0 elsewhere; lanes outside exact are taken
// from scalar(l) instead.
template <class Scalar>
HWY_INLINE void StoreTest(MF inside, MF exact, float* out, Scalar scalar)
{
    const DF df;
    const VF values = hn::IfThenElseZero(inside, hn::Set(df, 1.0f));
    if (hn::AllTrue(df, exact)) {
        hn::StoreU(values, df, out);
        return;
    }
    constexpr int maxLanes = HWY_MAX_BYTES / sizeof(float);
    HWY_ALIGN float fits[maxLanes];
    hn::Store(hn::VecFromMask(df, exact), df, fits);
    hn::StoreU(values, df, out);
    const int lanes = static_cast<int>(hn::Lanes(df));
    for (int l = 0; l < lanes; ++l)
        if (fits[l] == 0.0f) out[l] = scalar(l) ? 1.0f : 0.0f;   // a set mask lane is NaN, never 0
}

void InsideSquaresLanes(const float* xpos, float v, float cellSize, const float* width, int count, float* out)
{
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const VF zero = hn::Zero(df);
    const VF vv = hn::Set(df, v);
    const VF cell = hn::Set(df, cellSize);
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        const VF x = hn::LoadU(df, xpos + k);
        const VF side = hn::LoadU(df, width + k);
        MF exact;
        const VF u = WrapPositive(x, cell, &exact);
        const MF inside = hn::And(hn::And(hn::Gt(u, zero), hn::Gt(vv, zero)),
                                  hn::And(hn::Lt(u, side), hn::Lt(vv, side)));
        constexpr int maxLanes = HWY_MAX_BYTES / sizeof(float);
        HWY_ALIGN float xs[maxLanes];
        hn::Store(x, df, xs);
        StoreTest(inside, exact, out + k, [&](int l) {
            return insideSquareOfSide(wrapPositive(xs[l], cellSize), v, width[k + l]);
        });
    }
    for (; k < count; ++k) out[k] = insideSquareOfSide(wrapPositive(xpos[k], cellSize), v, width[k]) ? 1.0f : 0.0f;
}

void InsideSquaresPointsLanes(const float* xpos, const float* ypos, float cellX, float cellY, const float* width,
                              int count, float* out)
{
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const VF zero = hn::Zero(df);
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        const VF x = hn::LoadU(df, xpos + k);
        const VF y = hn::LoadU(df, ypos + k);
        const VF side = hn::LoadU(df, width + k);
        MF exactU, exactV;
        const VF u = WrapPositive(x, hn::Set(df, cellX), &exactU);
        const VF v = WrapPositive(y, hn::Set(df, cellY), &exactV);
        const MF inside = hn::And(hn::And(hn::Gt(u, zero), hn::Gt(v, zero)), hn::And(hn::Lt(u, side), hn::Lt(v, side)));
        constexpr int maxLanes = HWY_MAX_BYTES / sizeof(float);
        HWY_ALIGN float xs[maxLanes], ys[maxLanes];
        hn::Store(x, df, xs);
        hn::Store(y, df, ys);
        StoreTest(inside, hn::And(exactU, exactV), out + k, [&](int l) {
            return insideSquareOfSide(wrapPositive(xs[l], cellX), wrapPositive(ys[l], cellY), width[k + l]);
        });
    }
    for (; k < count; ++k)
        out[k] = insideSquareOfSide(wrapPositive(xpos[k], cellX), wrapPositive(ypos[k], cellY), width[k]) ? 1.0f : 0.0f;
}

// The discs of a row (yStep 0: one ypos) or of points (yStep 1).
template <int yStep>
HWY_INLINE void InsideDiscs(const float* xpos, const float* ypos, const float* radius, const float* spacing, int count,
                            float* out)
{
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const VF rowY = hn::Set(df, *ypos);
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        const VF x = hn::LoadU(df, xpos + k);
        const VF vy = yStep ? hn::LoadU(df, ypos + k) : rowY;
        const VF r = hn::LoadU(df, radius + k);
        const VF period = hn::Add(hn::Mul(hn::Set(df, 2.0f), r), hn::LoadU(df, spacing + k));
        MF exactU, exactV;
        const VF du = hn::Sub(WrapPositive(x, period, &exactU), r);
        const VF dv = hn::Sub(WrapPositive(vy, period, &exactV), r);
        const MF inside = hn::Gt(hn::Mul(r, r), hn::Add(hn::Mul(du, du), hn::Mul(dv, dv)));
        constexpr int maxLanes = HWY_MAX_BYTES / sizeof(float);
        HWY_ALIGN float xs[maxLanes];
        hn::Store(x, df, xs);
        StoreTest(inside, hn::And(exactU, exactV), out + k, [&](int l) {
            return insideDisc(xs[l], ypos[(k + l) * yStep], radius[k + l], spacing[k + l]);
        });
    }
    for (; k < count; ++k) out[k] = insideDisc(xpos[k], ypos[k * yStep], radius[k], spacing[k]) ? 1.0f : 0.0f;
}

void InsideDiscsLanes(const float* xpos, float ypos, const float* radius, const float* spacing, int count,
                      float* out)
{
    InsideDiscs<0>(xpos, &ypos, radius, spacing, count, out);
}

void InsideDiscsPointsLanes(const float* xpos, const float* ypos, const float* radius, const float* spacing, int count,
                            float* out)
{
    InsideDiscs<1>(xpos, ypos, radius, spacing, count, out);
}

// What an octave adds of its noise (Fold): the noise itself, or its ridge.
struct NoiseLanes {
    static HWY_INLINE VF Lanes(VF n) { return n; }
    static float Scalar(float n) { return n; }
};
struct RidgeLanes {
    static HWY_INLINE VF Lanes(VF n)
    {
        const DF df;
        const VF zero = hn::Zero(df), one = hn::Set(df, 1.0f);
        const VF a = hn::IfThenElse(hn::Lt(n, zero), hn::Sub(zero, n), n);
        const VF r = hn::Sub(one, a);
        return hn::Mul(r, r);
    }
    static float Scalar(float n) { return ridge(n); }
};

// FractalRunLanes where every point of the run has the same octaves,
// Lacunarity and Gain, as when they are not driven: the frequencies, amplitudes
// and the sum of amplitudes are then one number each, and so is each
// octave's y.
template <class Fold>
void UniformFractalLanes(const Tables& tables, const float* xpos, float ypos, int oct, float lac, float gain, int count,
                         float* out)
{
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    float sum[fractalRun], sx[fractalRun];
    for (int k = 0; k < count; ++k) sum[k] = 0.0f;
    float f = 1.0f, amp = 1.0f, norm = 0.0f;
    const VF limit = hn::Set(df, octaveLimit);
    for (int o = 0; o < oct; ++o) {
        const VF offsetX = hn::Set(df, 17.0f * static_cast<float>(o));
        const float py = ypos * f + 31.0f * static_cast<float>(o);
        const bool rowInside = std::fabs(py) < octaveLimit;
        const VF vf = hn::Set(df, f);
        const VF va = hn::Set(df, amp);
        // As in FractalRunLanes, points beyond the limit are sampled at 0.
        int k = 0;
        for (; k + lanes <= count; k += lanes) {
            const VF px = hn::Add(hn::Mul(hn::LoadU(df, xpos + k), vf), offsetX);
            hn::StoreU(hn::IfThenElseZero(hn::Lt(hn::Abs(px), limit), px), df, sx + k);
        }
        for (; k < count; ++k) {
            const float px = xpos[k] * f + 17.0f * static_cast<float>(o);
            sx[k] = std::fabs(px) < octaveLimit ? px : 0.0f;
        }
        if (rowInside) GradientNoise::sample2Row(tables, sx, py, count, sx);
        const auto rowMask = hn::FirstN(df, rowInside ? lanes : 0);
        for (k = 0; k + lanes <= count; k += lanes) {
            const VF px = hn::Add(hn::Mul(hn::LoadU(df, xpos + k), vf), offsetX);
            const auto inside = hn::And(hn::Lt(hn::Abs(px), limit), rowMask);
            const VF n = Fold::Lanes(hn::IfThenElseZero(inside, hn::LoadU(df, sx + k)));
            hn::StoreU(hn::Add(hn::LoadU(df, sum + k), hn::Mul(va, n)), df, sum + k);
        }
        for (; k < count; ++k) {
            const float px = xpos[k] * f + 17.0f * static_cast<float>(o);
            const float n = Fold::Scalar(rowInside && std::fabs(px) < octaveLimit ? sx[k] : 0.0f);
            sum[k] = sum[k] + amp * n;
        }
        norm = norm + amp;
        amp = amp * gain;
        f = f * lac;
    }
    const VF vn = hn::Set(df, norm);
    int k = 0;
    for (; k + lanes <= count; k += lanes) hn::StoreU(hn::Div(hn::LoadU(df, sum + k), vn), df, out + k);
    for (; k < count; ++k) out[k] = sum[k] / norm;
}

// UniformFractalLanes at points: each octave's points are made and tested
// on the lanes, y as x, and sampled by the 2-D noise kernel.
template <class Fold>
void UniformFractalPointsLanes(const Tables& tables, const float* xpos, const float* ypos, int oct, float lac,
                               float gain, int count, float* out)
{
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    float sum[fractalRun], sx[fractalRun], sy[fractalRun];
    for (int k = 0; k < count; ++k) sum[k] = 0.0f;
    float f = 1.0f, amp = 1.0f, norm = 0.0f;
    const VF limit = hn::Set(df, octaveLimit);
    for (int o = 0; o < oct; ++o) {
        const float offsetX = 17.0f * static_cast<float>(o);
        const float offsetY = 31.0f * static_cast<float>(o);
        const VF vf = hn::Set(df, f);
        const VF va = hn::Set(df, amp);
        const auto point = [&](int k, VF* px, VF* py) {
            *px = hn::Add(hn::Mul(hn::LoadU(df, xpos + k), vf), hn::Set(df, offsetX));
            *py = hn::Add(hn::Mul(hn::LoadU(df, ypos + k), vf), hn::Set(df, offsetY));
            return hn::And(hn::Lt(hn::Abs(*px), limit), hn::Lt(hn::Abs(*py), limit));
        };
        // Points beyond the limit are sampled at the origin and give 0.
        int k = 0;
        for (; k + lanes <= count; k += lanes) {
            VF px, py;
            const auto inside = point(k, &px, &py);
            hn::StoreU(hn::IfThenElseZero(inside, px), df, sx + k);
            hn::StoreU(hn::IfThenElseZero(inside, py), df, sy + k);
        }
        for (; k < count; ++k) {
            const float px = xpos[k] * f + offsetX;
            const float py = ypos[k] * f + offsetY;
            const bool inside = std::fabs(px) < octaveLimit && std::fabs(py) < octaveLimit;
            sx[k] = inside ? px : 0.0f;
            sy[k] = inside ? py : 0.0f;
        }
        GradientNoise::sample2Batch(tables, sx, sy, count, sx);
        for (k = 0; k + lanes <= count; k += lanes) {
            VF px, py;
            const VF n = Fold::Lanes(hn::IfThenElseZero(point(k, &px, &py), hn::LoadU(df, sx + k)));
            hn::StoreU(hn::Add(hn::LoadU(df, sum + k), hn::Mul(va, n)), df, sum + k);
        }
        for (; k < count; ++k) {
            const float px = xpos[k] * f + offsetX;
            const float py = ypos[k] * f + offsetY;
            const float n = Fold::Scalar(std::fabs(px) < octaveLimit && std::fabs(py) < octaveLimit ? sx[k] : 0.0f);
            sum[k] = sum[k] + amp * n;
        }
        norm = norm + amp;
        amp = amp * gain;
        f = f * lac;
    }
    const VF vn = hn::Set(df, norm);
    int k = 0;
    for (; k + lanes <= count; k += lanes) hn::StoreU(hn::Div(hn::LoadU(df, sum + k), vn), df, out + k);
    for (; k < count; ++k) out[k] = sum[k] / norm;
}

// The octaves one after another over a run: each octave's points are made
// on the lanes, sampled by the 2-D noise kernel, and summed on the lanes.
// Lanes whose octaves are done take part with their sums kept. A row has
// one ypos (yStep 0), points one each (yStep 1).
template <class Fold, int yStep>
void FractalRunLanes(const Tables& tables, const float* xpos, const float* ypos, const std::uint8_t* oct,
                     const float* lac, const float* gain, int count, float* out)
{
    const DF df;
    const DI di;
    const int lanes = static_cast<int>(hn::Lanes(df));
    float f[fractalRun], amp[fractalRun], sum[fractalRun], norm[fractalRun], sx[fractalRun], sy[fractalRun];
    std::int32_t octaves[fractalRun];
    int most = 1;
    for (int k = 0; k < count; ++k) {
        f[k] = amp[k] = 1.0f;
        sum[k] = norm[k] = 0.0f;
        octaves[k] = oct[k];
        if (oct[k] > most) most = oct[k];
    }
    const VF limit = hn::Set(df, octaveLimit);
    const VF rowY = hn::Set(df, *ypos);
    for (int o = 0; o < most; ++o) {
        const float offsetX = 17.0f * static_cast<float>(o);
        const float offsetY = 31.0f * static_cast<float>(o);
        // Points beyond the limit give no noise; they are sampled at the
        // origin, which keeps them off sample2's slow path.
        int k = 0;
        for (; k + lanes <= count; k += lanes) {
            const VF fk = hn::LoadU(df, f + k);
            const VF y = yStep ? hn::LoadU(df, ypos + k) : rowY;
            const VF px = hn::Add(hn::Mul(hn::LoadU(df, xpos + k), fk), hn::Set(df, offsetX));
            const VF py = hn::Add(hn::Mul(y, fk), hn::Set(df, offsetY));
            const auto inside = hn::And(hn::Lt(hn::Abs(px), limit), hn::Lt(hn::Abs(py), limit));
            hn::StoreU(hn::IfThenElseZero(inside, px), df, sx + k);
            hn::StoreU(hn::IfThenElseZero(inside, py), df, sy + k);
        }
        for (; k < count; ++k) {
            const float px = xpos[k] * f[k] + offsetX;
            const float py = ypos[k * yStep] * f[k] + offsetY;
            const bool inside = std::fabs(px) < octaveLimit && std::fabs(py) < octaveLimit;
            sx[k] = inside ? px : 0.0f;
            sy[k] = inside ? py : 0.0f;
        }
        GradientNoise::sample2Batch(tables, sx, sy, count, sx);
        for (k = 0; k + lanes <= count; k += lanes) {
            const VF fk = hn::LoadU(df, f + k);
            const VF y = yStep ? hn::LoadU(df, ypos + k) : rowY;
            const VF px = hn::Add(hn::Mul(hn::LoadU(df, xpos + k), fk), hn::Set(df, offsetX));
            const VF py = hn::Add(hn::Mul(y, fk), hn::Set(df, offsetY));
            const auto inside = hn::And(hn::Lt(hn::Abs(px), limit), hn::Lt(hn::Abs(py), limit));
            const VF n = Fold::Lanes(hn::IfThenElseZero(inside, hn::LoadU(df, sx + k)));
            const auto active = hn::RebindMask(df, hn::Lt(hn::Set(di, o), hn::LoadU(di, octaves + k)));
            const VF a = hn::LoadU(df, amp + k);
            const VF s = hn::LoadU(df, sum + k);
            const VF w = hn::LoadU(df, norm + k);
            hn::StoreU(hn::IfThenElse(active, hn::Add(s, hn::Mul(a, n)), s), df, sum + k);
            hn::StoreU(hn::IfThenElse(active, hn::Add(w, a), w), df, norm + k);
            hn::StoreU(hn::Mul(a, hn::LoadU(df, gain + k)), df, amp + k);
            hn::StoreU(hn::Mul(fk, hn::LoadU(df, lac + k)), df, f + k);
        }
        for (; k < count; ++k) {
            if (o >= octaves[k]) continue;
            const float px = xpos[k] * f[k] + offsetX;
            const float py = ypos[k * yStep] * f[k] + offsetY;
            const float n = Fold::Scalar(std::fabs(px) < octaveLimit && std::fabs(py) < octaveLimit ? sx[k] : 0.0f);
            sum[k] = sum[k] + amp[k] * n;
            norm[k] = norm[k] + amp[k];
            amp[k] = amp[k] * gain[k];
            f[k] = f[k] * lac[k];
        }
    }
    int k = 0;
    for (; k + lanes <= count; k += lanes)
        hn::StoreU(hn::Div(hn::LoadU(df, sum + k), hn::LoadU(df, norm + k)), df, out + k);
    for (; k < count; ++k) out[k] = sum[k] / norm[k];
}

// The run in parts the stack buffers hold; octStep 0 reads oct, lac and
// gain as one value each.
template <class Fold>
void OctaveSumLanes(const Tables& tables, const float* xpos, float ypos, const std::uint8_t* oct, const float* lac,
                    const float* gain, int octStep, int count, float* out)
{
    for (int done = 0; done < count; done += fractalRun) {
        const int part = count - done < fractalRun ? count - done : fractalRun;
        if (octStep)
            FractalRunLanes<Fold, 0>(tables, xpos + done, &ypos, oct + done, lac + done, gain + done, part, out + done);
        else
            UniformFractalLanes<Fold>(tables, xpos + done, ypos, *oct, *lac, *gain, part, out + done);
    }
}

void FractalSumLanes(const Tables& tables, const float* xpos, float ypos, const std::uint8_t* oct, const float* lac,
                     const float* gain, int octStep, int count, float* out)
{
    OctaveSumLanes<NoiseLanes>(tables, xpos, ypos, oct, lac, gain, octStep, count, out);
}

void RidgedSumLanes(const Tables& tables, const float* xpos, float ypos, const std::uint8_t* oct, const float* lac,
                    const float* gain, int octStep, int count, float* out)
{
    OctaveSumLanes<RidgeLanes>(tables, xpos, ypos, oct, lac, gain, octStep, count, out);
}

void ClampUnitLanes(int count, float* values)
{
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const VF one = hn::Set(df, 1.0f);
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        VF v = hn::LoadU(df, values + k);
        v = hn::IfThenElse(hn::Lt(v, one), v, one);
        hn::StoreU(hn::IfThenElseZero(hn::Gt(v, hn::Zero(df)), v), df, values + k);
    }
    for (; k < count; ++k) values[k] = clampUnit(values[k]);
}

// The same at points.
template <class Fold>
void OctaveSumPointsLanes(const Tables& tables, const float* xpos, const float* ypos, const std::uint8_t* oct,
                          const float* lac, const float* gain, int octStep, int count, float* out)
{
    for (int done = 0; done < count; done += fractalRun) {
        const int part = count - done < fractalRun ? count - done : fractalRun;
        if (octStep)
            FractalRunLanes<Fold, 1>(tables, xpos + done, ypos + done, oct + done, lac + done, gain + done, part,
                                     out + done);
        else
            UniformFractalPointsLanes<Fold>(tables, xpos + done, ypos + done, *oct, *lac, *gain, part, out + done);
    }
}

void FractalSumPointsLanes(const Tables& tables, const float* xpos, const float* ypos, const std::uint8_t* oct,
                           const float* lac, const float* gain, int octStep, int count, float* out)
{
    OctaveSumPointsLanes<NoiseLanes>(tables, xpos, ypos, oct, lac, gain, octStep, count, out);
}

void RidgedSumPointsLanes(const Tables& tables, const float* xpos, const float* ypos, const std::uint8_t* oct,
                          const float* lac, const float* gain, int octStep, int count, float* out)
{
    OctaveSumPointsLanes<RidgeLanes>(tables, xpos, ypos, oct, lac, gain, octStep, count, out);
}

void BlendLanes(const float* a, const float* b, const float* m, int count, float* out)
{
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const VF one = hn::Set(df, 1.0f);
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        const VF va = hn::LoadU(df, a + k);
        const VF t = hn::Mul(hn::Sub(hn::LoadU(df, b + k), va), hn::LoadU(df, m + k));
        VF v = hn::Add(va, t);
        v = hn::IfThenElse(hn::Lt(v, one), v, one);
        hn::StoreU(hn::IfThenElseZero(hn::Gt(v, hn::Zero(df)), v), df, out + k);
    }
    for (; k < count; ++k) out[k] = blend(a[k], b[k], m[k]);
}

// warpedPoint on the lanes, in its order.
void WarpPointsLanes(const float* px, const float* py, int pyStep, float* wx, float* wy, const float* amount,
                     int amountStep, float width, int count, float* read)
{
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const VF half = hn::Set(df, 0.5f);
    const VF w = hn::Set(df, width);
    const VF limit = hn::Set(df, warpLimit);
    const VF fixedY = hn::Set(df, *py);
    const VF fixedAmount = hn::Set(df, *amount);
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        const VF s = hn::Mul(amountStep ? hn::LoadU(df, amount + k) : fixedAmount, w);
        VF dx = hn::Sub(hn::LoadU(df, wx + k), half);
        dx = hn::Mul(hn::Add(dx, dx), s);
        const VF qx = hn::Add(hn::LoadU(df, px + k), dx);
        VF dy = hn::Sub(hn::LoadU(df, wy + k), half);
        dy = hn::Mul(hn::Add(dy, dy), s);
        const VF qy = hn::Add(pyStep ? hn::LoadU(df, py + k) : fixedY, dy);
        const MF inside = hn::And(hn::Lt(hn::Abs(qx), limit), hn::Lt(hn::Abs(qy), limit));
        hn::StoreU(hn::IfThenElseZero(inside, qx), df, wx + k);
        hn::StoreU(hn::IfThenElseZero(inside, qy), df, wy + k);
        hn::StoreU(hn::IfThenElseZero(inside, hn::Set(df, 1.0f)), df, read + k);
    }
    for (; k < count; ++k) {
        float qx = 0.0f, qy = 0.0f;
        const bool inside = warpedPoint(px[k], py[k * pyStep], wx[k], wy[k], amount[k * amountStep], width, qx, qy);
        wx[k] = inside ? qx : 0.0f;
        wy[k] = inside ? qy : 0.0f;
        read[k] = inside ? 1.0f : 0.0f;
    }
}

void WarpValuesLanes(const float* read, int count, float* values)
{
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const VF one = hn::Set(df, 1.0f);
    const VF zero = hn::Zero(df);
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        VF v = hn::LoadU(df, values + k);
        v = hn::IfThenElse(hn::Lt(v, one), v, one);
        v = hn::IfThenElseZero(hn::Gt(v, zero), v);
        hn::StoreU(hn::IfThenElseZero(hn::Gt(hn::LoadU(df, read + k), zero), v), df, values + k);
    }
    for (; k < count; ++k) values[k] = read[k] > 0.0f ? clampUnit(values[k]) : 0.0f;
}

} // namespace HWY_NAMESPACE
} // namespace patternlanes
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace patternlanes {

HWY_EXPORT(CutNoiseLanes);
HWY_EXPORT(InsideSquaresLanes);
HWY_EXPORT(InsideSquaresPointsLanes);
HWY_EXPORT(InsideDiscsLanes);
HWY_EXPORT(InsideDiscsPointsLanes);
HWY_EXPORT(FractalSumLanes);
HWY_EXPORT(RidgedSumLanes);
HWY_EXPORT(ClampUnitLanes);
HWY_EXPORT(FractalSumPointsLanes);
HWY_EXPORT(RidgedSumPointsLanes);
HWY_EXPORT(BlendLanes);
HWY_EXPORT(WarpPointsLanes);
HWY_EXPORT(WarpValuesLanes);

namespace {

// The octaves' weighted mean, flat or seamless: sample(f, k) is octave k's
// noise at frequency f.
template <class Sample>
float octaveSum(int oct, float lac, float gain, Sample sample)
{
    float sum = 0.0f, norm = 0.0f, amp = 1.0f, f = 1.0f;
    for (int k = 0; k < oct; ++k) {
        const float n = sample(f, k);
        sum = sum + amp * n;
        norm = norm + amp;
        amp = amp * gain;
        f = f * lac;
    }
    return sum / norm;
}

} // namespace

float fractalSum(const Tables& tables, float xpos, float ypos, int oct, float lac, float gain, Fold fold)
{
    return octaveSum(oct, lac, gain, [&](float f, int k) {
        const float sx = xpos * f + 17.0f * static_cast<float>(k);
        const float sy = ypos * f + 31.0f * static_cast<float>(k);
        const bool inside = std::fabs(sx) < octaveLimit && std::fabs(sy) < octaveLimit;
        const float n = inside ? GradientNoise::sample2(tables, sx, sy) : 0.0f;
        return fold == Fold::ridge ? ridge(n) : n;
    });
}

namespace {

// Octave k's point on the torus of frequency f, for the column turn (c, s).
inline void torusOctavePoint(float c, float s, float rx, seamless::Turn ty, float ry, float f, int k, float* p)
{
    const float ox = 17.0f * static_cast<float>(k);
    const float oy = 31.0f * static_cast<float>(k);
    const float rxk = rx * f;
    const float ryk = ry * f;
    p[0] = rxk * c + ox;
    p[1] = rxk * s + ox;
    p[2] = ryk * ty.cosine + oy;
    p[3] = ryk * ty.sine + oy;
}

inline bool withinOctaveLimit(const float* p)
{
    return std::fabs(p[0]) < octaveLimit && std::fabs(p[1]) < octaveLimit && std::fabs(p[2]) < octaveLimit &&
           std::fabs(p[3]) < octaveLimit;
}

// yCosines and ySines: the turn of y for each point (yStep 1), or one for
// the run (yStep 0).
void torusFractalRun(const Tables& tables, const float* cosines, const float* sines, float rx, const float* yCosines,
                     const float* ySines, int yStep, float ry, const std::uint8_t* oct, const float* lac,
                     const float* gain, int count, float* out, Fold fold)
{
    float f[fractalRun], amp[fractalRun], sum[fractalRun], norm[fractalRun], p[4][fractalRun];
    bool inside[fractalRun];
    int most = 1;
    for (int k = 0; k < count; ++k) {
        f[k] = amp[k] = 1.0f;
        sum[k] = norm[k] = 0.0f;
        if (oct[k] > most) most = oct[k];
    }
    for (int o = 0; o < most; ++o) {
        // Points beyond the limit are sampled at the origin and give 0.
        for (int k = 0; k < count; ++k) {
            float point[4];
            const seamless::Turn ty{yCosines[k * yStep], ySines[k * yStep]};
            torusOctavePoint(cosines[k], sines[k], rx, ty, ry, f[k], o, point);
            inside[k] = withinOctaveLimit(point);
            for (int c = 0; c < 4; ++c) p[c][k] = inside[k] ? point[c] : 0.0f;
        }
        GradientNoise::sample4Batch(tables, p[0], p[1], p[2], p[3], count, p[0]);
        for (int k = 0; k < count; ++k) {
            if (o >= oct[k]) continue;
            float n = inside[k] ? seamless::gainClamped(p[0][k]) : 0.0f;
            if (fold == Fold::ridge) n = ridge(n);
            sum[k] = sum[k] + amp[k] * n;
            norm[k] = norm[k] + amp[k];
            amp[k] = amp[k] * gain[k];
            f[k] = f[k] * lac[k];
        }
    }
    for (int k = 0; k < count; ++k) out[k] = sum[k] / norm[k];
}

} // namespace

float torusFractalSum(const Tables& tables, seamless::Turn tx, float rx, seamless::Turn ty, float ry, int oct, float lac,
                      float gain, Fold fold)
{
    return octaveSum(oct, lac, gain, [&](float f, int k) {
        float p[4];
        torusOctavePoint(tx.cosine, tx.sine, rx, ty, ry, f, k, p);
        const float n = withinOctaveLimit(p)
                            ? seamless::gainClamped(GradientNoise::sample4(tables, p[0], p[1], p[2], p[3]))
                            : 0.0f;
        return fold == Fold::ridge ? ridge(n) : n;
    });
}

void torusFractalSumRow(const Tables& tables, const float* cosines, const float* sines, float rx, seamless::Turn ty,
                        float ry, const std::uint8_t* oct, const float* lac, const float* gain, int count, float* out,
                        Fold fold)
{
    for (int done = 0; done < count; done += fractalRun) {
        const int part = count - done < fractalRun ? count - done : fractalRun;
        torusFractalRun(tables, cosines + done, sines + done, rx, &ty.cosine, &ty.sine, 0, ry, oct + done, lac + done,
                        gain + done, part, out + done, fold);
    }
}

void torusFractalSumPoints(const Tables& tables, const float* xpos, const float* ypos, float extentX, float extentY,
                           const std::uint8_t* oct, const float* lac, const float* gain, int count, float* out,
                           Fold fold)
{
    const float rx = seamless::radiusOf(extentX), ry = seamless::radiusOf(extentY);
    for (int done = 0; done < count; done += fractalRun) {
        const int part = count - done < fractalRun ? count - done : fractalRun;
        float cx[fractalRun], sx[fractalRun], cy[fractalRun], sy[fractalRun];
        for (int k = 0; k < part; ++k) {
            const seamless::Turn tx = seamless::turnOf(xpos[done + k], extentX);
            const seamless::Turn ty = seamless::turnOf(ypos[done + k], extentY);
            cx[k] = tx.cosine;
            sx[k] = tx.sine;
            cy[k] = ty.cosine;
            sy[k] = ty.sine;
        }
        torusFractalRun(tables, cx, sx, rx, cy, sy, 1, ry, oct + done, lac + done, gain + done, part, out + done,
                        fold);
    }
}

void fractalSumRow(const Tables& tables, const float* xpos, float ypos, const std::uint8_t* oct, const float* lac,
                   const float* gain, int count, float* out, Fold fold)
{
    if (fold == Fold::ridge)
        HWY_DYNAMIC_DISPATCH(RidgedSumLanes)(tables, xpos, ypos, oct, lac, gain, 1, count, out);
    else
        HWY_DYNAMIC_DISPATCH(FractalSumLanes)(tables, xpos, ypos, oct, lac, gain, 1, count, out);
}

void fractalSumRow(const Tables& tables, const float* xpos, float ypos, int oct, float lac, float gain, int count,
                   float* out, Fold fold)
{
    const std::uint8_t octaves = static_cast<std::uint8_t>(oct);
    if (fold == Fold::ridge)
        HWY_DYNAMIC_DISPATCH(RidgedSumLanes)(tables, xpos, ypos, &octaves, &lac, &gain, 0, count, out);
    else
        HWY_DYNAMIC_DISPATCH(FractalSumLanes)(tables, xpos, ypos, &octaves, &lac, &gain, 0, count, out);
}

void clampUnitRow(int count, float* values)
{
    HWY_DYNAMIC_DISPATCH(ClampUnitLanes)(count, values);
}

void fractalSumPoints(const Tables& tables, const float* xpos, const float* ypos, const std::uint8_t* oct,
                      const float* lac, const float* gain, int count, float* out, Fold fold)
{
    if (fold == Fold::ridge)
        HWY_DYNAMIC_DISPATCH(RidgedSumPointsLanes)(tables, xpos, ypos, oct, lac, gain, 1, count, out);
    else
        HWY_DYNAMIC_DISPATCH(FractalSumPointsLanes)(tables, xpos, ypos, oct, lac, gain, 1, count, out);
}

void fractalSumPoints(const Tables& tables, const float* xpos, const float* ypos, int oct, float lac, float gain,
                      int count, float* out, Fold fold)
{
    const std::uint8_t octaves = static_cast<std::uint8_t>(oct);
    if (fold == Fold::ridge)
        HWY_DYNAMIC_DISPATCH(RidgedSumPointsLanes)(tables, xpos, ypos, &octaves, &lac, &gain, 0, count, out);
    else
        HWY_DYNAMIC_DISPATCH(FractalSumPointsLanes)(tables, xpos, ypos, &octaves, &lac, &gain, 0, count, out);
}

void blendRow(const float* a, const float* b, const float* m, int count, float* out)
{
    HWY_DYNAMIC_DISPATCH(BlendLanes)(a, b, m, count, out);
}

void cutNoiseRow(const float* cut, int count, float* values)
{
    HWY_DYNAMIC_DISPATCH(CutNoiseLanes)(cut, 1, count, values);
}

void cutNoiseRow(float cut, int count, float* values)
{
    HWY_DYNAMIC_DISPATCH(CutNoiseLanes)(&cut, 0, count, values);
}

void insideSquaresRow(const float* xpos, float v, float cellSize, const float* width, int count, float* out)
{
    HWY_DYNAMIC_DISPATCH(InsideSquaresLanes)(xpos, v, cellSize, width, count, out);
}

void insideDiscsRow(const float* xpos, float ypos, const float* radius, const float* spacing, int count,
                    float* out)
{
    HWY_DYNAMIC_DISPATCH(InsideDiscsLanes)(xpos, ypos, radius, spacing, count, out);
}

void insideSquaresPoints(const float* xpos, const float* ypos, float cellX, float cellY, const float* width, int count,
                         float* out)
{
    HWY_DYNAMIC_DISPATCH(InsideSquaresPointsLanes)(xpos, ypos, cellX, cellY, width, count, out);
}

void insideDiscsPoints(const float* xpos, const float* ypos, const float* radius, const float* spacing, int count,
                       float* out)
{
    HWY_DYNAMIC_DISPATCH(InsideDiscsPointsLanes)(xpos, ypos, radius, spacing, count, out);
}

void warpPoints(const float* px, const float* py, int pyStep, float* wx, float* wy, const float* amount,
                int amountStep, float width, int count, float* read)
{
    HWY_DYNAMIC_DISPATCH(WarpPointsLanes)(px, py, pyStep, wx, wy, amount, amountStep, width, count, read);
}

void warpValues(const float* read, int count, float* values)
{
    HWY_DYNAMIC_DISPATCH(WarpValuesLanes)(read, count, values);
}

} // namespace patternlanes
#endif
