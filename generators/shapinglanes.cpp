// Highway compiles this file once per target; the lanes repeat the scalar
// definitions of shapinglanes.h operation for operation. A whole number from
// a variable is formed on the lanes as a float: the value selected into
// [lo, hi] by the scalar comparisons, then truncated, which is exact there.
#include "generators/shapinglanes.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "generators/shapinglanes.cpp"
#include <hwy/foreach_target.h>
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace shapinglanes {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<float>;
using VF = hn::Vec<DF>;

// An input of a kernel. One value for the whole run is read before the
// run, so out may be that input too.
class Input {
public:
    Input(const float* values, int step) : values(values), step(step), first(step ? 0.0f : values[0]) {}
    VF Lanes(int k) const
    {
        const DF df;
        return step ? hn::LoadU(df, values + k) : hn::Set(df, first);
    }
    float operator[](int k) const { return step ? values[k] : first; }

private:
    const float* values;
    int step;
    float first;
};

HWY_INLINE VF ClampUnit(VF v)
{
    const DF df;
    const VF one = hn::Set(df, 1.0f);
    v = hn::IfThenElse(hn::Lt(v, one), v, one);
    return hn::IfThenElseZero(hn::Gt(v, hn::Zero(df)), v);
}

// wholeNumber(c, lo, hi) as a float.
HWY_INLINE VF WholeNumber(VF c, float lo, float hi)
{
    const DF df;
    const VF low = hn::Set(df, lo), high = hn::Set(df, hi);
    c = hn::IfThenElse(hn::Ge(c, low), c, low);
    return hn::Trunc(hn::IfThenElse(hn::Ge(c, high), high, c));
}

void TerraceLanes(const float* source, int sourceStep, const float* low, int lowStep, const float* high, int highStep,
                  const float* steps, int stepsStep, int count, float* out)
{
    const Input s(source, sourceStep), lo(low, lowStep), hi(high, highStep), k(steps, stepsStep);
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const VF one = hn::Set(df, 1.0f), two = hn::Set(df, 2.0f);
    int p = 0;
    for (; p + lanes <= count; p += lanes) {
        const VF l = lo.Lanes(p);
        const VF d = hn::Sub(hi.Lanes(p), l);
        const VF t = ClampUnit(hn::Div(hn::Sub(s.Lanes(p), l), d));
        const VF levels = WholeNumber(k.Lanes(p), 1.0f, static_cast<float>(maxSteps));
        // float(k - 1) is float(k) - 1 exactly for these k.
        const VF top = hn::Sub(levels, one);
        VF i = hn::Floor(hn::Mul(t, levels));
        i = hn::IfThenElse(hn::Gt(i, top), top, i);
        hn::StoreU(hn::IfThenElse(hn::Ge(levels, two), hn::Div(i, top), t), df, out + p);
    }
    for (; p < count; ++p) out[p] = terrace(s[p], lo[p], hi[p], wholeNumber(k[p], 1, maxSteps));
}

// Every mode is formed on every lane, and each lane selects its own.
void CombineLanes(const float* aValues, int aStep, const float* bValues, int bStep, const float* mode, int modeStep,
                  int count, float* out)
{
    const Input a(aValues, aStep), b(bValues, bStep), m(mode, modeStep);
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const VF zero = hn::Zero(df), one = hn::Set(df, 1.0f);
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        const VF va = a.Lanes(k), vb = b.Lanes(k);
        const VF whole = WholeNumber(m.Lanes(k), 0.0f, 6.0f);
        const VF sub = hn::Sub(va, vb);
        const VF screen = hn::Sub(one, hn::Mul(hn::Sub(one, va), hn::Sub(one, vb)));
        VF v = screen;
        const VF difference = hn::IfThenElse(hn::Gt(sub, zero), sub, hn::Sub(zero, sub));
        v = hn::IfThenElse(hn::Eq(whole, hn::Set(df, 5.0f)), difference, v);
        v = hn::IfThenElse(hn::Eq(whole, hn::Set(df, 4.0f)), hn::IfThenElse(hn::Gt(va, vb), va, vb), v);
        v = hn::IfThenElse(hn::Eq(whole, hn::Set(df, 3.0f)), hn::IfThenElse(hn::Lt(va, vb), va, vb), v);
        v = hn::IfThenElse(hn::Eq(whole, hn::Set(df, 2.0f)), hn::Mul(va, vb), v);
        v = hn::IfThenElse(hn::Eq(whole, one), sub, v);
        v = hn::IfThenElse(hn::Eq(whole, zero), hn::Add(va, vb), v);
        hn::StoreU(ClampUnit(v), df, out + k);
    }
    for (; k < count; ++k) out[k] = combine(a[k], b[k], wholeNumber(m[k], 0, 6));
}

// The ramp g of one shape, before the clamp.
HWY_INLINE VF Ramp(int shape, VF x, VF y)
{
    const DF df;
    const VF ten = hn::Set(df, 10.0f), twenty = hn::Set(df, 20.0f);
    if (shape == alongX) return hn::Div(hn::Add(x, ten), twenty);
    if (shape == alongY) return hn::Div(hn::Sub(hn::Set(df, -10.0f), y), twenty);
    const VF dy = hn::Add(y, twenty);
    const VF d = hn::Sqrt(hn::Add(hn::Mul(x, x), hn::Mul(dy, dy)));
    return hn::Sub(hn::Set(df, 1.0f), hn::Div(d, ten));
}

// With one Shape for the run only its ramp is formed; otherwise every
// ramp on every lane, and each lane selects its own.
void GradientLanes(const float* xs, int xStep, const float* ys, int yStep, const float* shapes, int shapeStep,
                   const float* softness, int softnessStep, int count, float* out)
{
    const Input X(xs, xStep), Y(ys, yStep), shape(shapes, shapeStep), e(softness, softnessStep);
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const VF zero = hn::Zero(df), one = hn::Set(df, 1.0f);
    const int oneShape = shapeStep ? -1 : wholeNumber(shape[0], 0, 2);
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        const VF x = X.Lanes(k), y = Y.Lanes(k);
        VF g;
        if (oneShape >= 0) {
            g = Ramp(oneShape, x, y);
        } else {
            const VF m = WholeNumber(shape.Lanes(k), 0.0f, 2.0f);
            g = hn::IfThenElse(hn::Eq(m, zero), Ramp(alongX, x, y),
                               hn::IfThenElse(hn::Eq(m, one), Ramp(alongY, x, y), Ramp(radial, x, y)));
        }
        g = ClampUnit(g);
        VF soft = e.Lanes(k);
        soft = hn::IfThenElse(hn::Lt(soft, one), soft, one);
        const VF v = hn::IfThenElse(hn::Ge(g, soft), one, hn::Div(g, soft));
        hn::StoreU(hn::IfThenElse(hn::Eq(g, zero), zero, v), df, out + k);
    }
    for (; k < count; ++k) out[k] = gradient(X[k], Y[k], wholeNumber(shape[k], 0, 2), e[k]);
}

} // namespace HWY_NAMESPACE
} // namespace shapinglanes
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace shapinglanes {

const char* const modeNames[modeCount] = {"Add", "Subtract", "Multiply", "Minimum", "Maximum", "Difference", "Screen"};
const char* const shapeNames[shapeCount] = {"Along x", "Along y", "Radial"};

HWY_EXPORT(TerraceLanes);
HWY_EXPORT(CombineLanes);
HWY_EXPORT(GradientLanes);

void terraceRow(const float* s, int sStep, const float* lo, int loStep, const float* hi, int hiStep,
                const float* steps, int stepsStep, int count, float* out)
{
    HWY_DYNAMIC_DISPATCH(TerraceLanes)(s, sStep, lo, loStep, hi, hiStep, steps, stepsStep, count, out);
}

void combineRow(const float* a, int aStep, const float* b, int bStep, const float* mode, int modeStep, int count,
                float* out)
{
    HWY_DYNAMIC_DISPATCH(CombineLanes)(a, aStep, b, bStep, mode, modeStep, count, out);
}

void gradientRow(const float* X, int xStep, const float* Y, int yStep, const float* shape, int shapeStep,
                 const float* softness, int softnessStep, int count, float* out)
{
    HWY_DYNAMIC_DISPATCH(GradientLanes)(X, xStep, Y, yStep, shape, shapeStep, softness, softnessStep, count, out);
}

} // namespace shapinglanes
#endif
