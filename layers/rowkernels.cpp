// Highway compiles this file once per target (foreach_target.h); the code
// between HWY_BEFORE_NAMESPACE and HWY_AFTER_NAMESPACE exists once per target,
// the dispatch below it once.
//
// The lanes repeat the scalar operations in the scalar order: plain IEEE
// add, subtract, multiply and divide (never fused or approximated; the
// project builds with -ffp-contract=off), and float to int conversions only
// on lanes whose value fits, so truncation toward zero is all they do.
#include "layers/rowkernels.h"

#include "app/windowmapping.h"
#include "layers/saturate.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "layers/rowkernels.cpp"
#include <hwy/foreach_target.h>
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace rowkernels {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void LayerXLanes(const WindowMapping& mapping, int x0, int count, float* out, int step)
{
    const float left = mapping.windowLeft, width = mapping.windowWidth;
    const float layerWidth = mapping.layerWidth, layerLeft = mapping.layerLeft;
    const hn::ScalableTag<float> df;
    const hn::RebindToSigned<decltype(df)> di;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const auto steps = hn::Mul(hn::Iota(di, 0), hn::Set(di, step));
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        const auto px = hn::ConvertTo(df, hn::Add(hn::Set(di, x0 + k * step), steps));
        const auto u = hn::Div(hn::Sub(px, hn::Set(df, left)), hn::Set(df, width));
        hn::StoreU(hn::Add(hn::Mul(hn::Set(df, layerWidth), u), hn::Set(df, layerLeft)), df, out + k);
    }
    for (; k < count; ++k) {
        const float u = (static_cast<float>(x0 + k * step) - left) / width;
        out[k] = layerWidth * u + layerLeft;
    }
}

void LayerPointsLanes(const WindowMapping& mapping, const float* px, const float* py, int count, float* xs, float* ys)
{
    const hn::ScalableTag<float> df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const auto left = hn::Set(df, mapping.windowLeft), width = hn::Set(df, mapping.windowWidth);
    const auto top = hn::Set(df, mapping.windowTop), height = hn::Set(df, mapping.windowHeight);
    const auto layerWidth = hn::Set(df, mapping.layerWidth), layerLeft = hn::Set(df, mapping.layerLeft);
    const auto layerSpan = hn::Set(df, mapping.layerSpan), layerTop = hn::Set(df, mapping.layerTop);
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        const auto u = hn::Div(hn::Sub(hn::LoadU(df, px + k), left), width);
        const auto v = hn::Div(hn::Sub(hn::LoadU(df, py + k), top), height);
        hn::StoreU(hn::Add(hn::Mul(layerWidth, u), layerLeft), df, xs + k);
        hn::StoreU(hn::Add(hn::Mul(layerSpan, v), layerTop), df, ys + k);
    }
    for (; k < count; ++k) {
        float x = px[k], y = py[k];
        mapping.windowToLayer(x, y);
        xs[k] = x;
        ys[k] = y;
    }
}

// value x 255 is formed in double, as greyByte forms it, on lanes of half as
// many values. For moderate values it is exact, its truncation fits an int
// and its low byte is the one greyByte takes from its int64.
void GreyBytesLanes(const float* values, int count, std::uint8_t* out)
{
    int k = 0;
#if HWY_HAVE_FLOAT64
    const hn::ScalableTag<double> dd;
    const hn::Rebind<float, decltype(dd)> df;
    const hn::Rebind<std::int32_t, decltype(dd)> di;
    const hn::Rebind<std::uint8_t, decltype(dd)> du8;
    const int lanes = static_cast<int>(hn::Lanes(dd));
    for (; k + lanes <= count; k += lanes) {
        const auto v = hn::LoadU(df, values + k);
        if (!hn::AllTrue(df, hn::Lt(hn::Abs(v), hn::Set(df, 1e6f)))) {
            for (int l = 0; l < lanes; ++l) out[k + l] = greyByte(values[k + l]);
            continue;
        }
        const auto scaled = hn::Mul(hn::PromoteTo(dd, v), hn::Set(dd, 255.0));
        const auto lowByte = hn::And(hn::DemoteTo(di, scaled), hn::Set(di, 0xff));
        hn::StoreU(hn::DemoteTo(du8, lowByte), du8, out + k);
    }
#endif
    for (; k < count; ++k) out[k] = greyByte(values[k]);
}

const char* TargetName()
{
    return hwy::TargetName(HWY_TARGET);
}

} // namespace HWY_NAMESPACE
} // namespace rowkernels
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rowkernels {

HWY_EXPORT(LayerXLanes);
HWY_EXPORT(LayerPointsLanes);
HWY_EXPORT(GreyBytesLanes);
HWY_EXPORT(TargetName);

void layerX(const WindowMapping& mapping, int x0, int count, float* out, int step)
{
    HWY_DYNAMIC_DISPATCH(LayerXLanes)(mapping, x0, count, out, step);
}

void layerPoints(const WindowMapping& mapping, const float* px, const float* py, int count, float* xs, float* ys)
{
    HWY_DYNAMIC_DISPATCH(LayerPointsLanes)(mapping, px, py, count, xs, ys);
}

void greyBytes(const float* values, int count, std::uint8_t* out)
{
    HWY_DYNAMIC_DISPATCH(GreyBytesLanes)(values, count, out);
}

const char* targetName()
{
    return HWY_DYNAMIC_DISPATCH(TargetName)();
}

} // namespace rowkernels
#endif
