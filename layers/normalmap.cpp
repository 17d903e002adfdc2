// Highway compiles this file once per target (foreach_target.h). The lanes
// repeat the scalar definition's operations in its order: IEEE subtract,
// multiply, divide and square root on doubles, selects for the NaN and the
// clamp, and a floor of the non-negative sample, which is exact.
#include "layers/normalmap.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "layers/normalmap.cpp"
#include <hwy/foreach_target.h>
#include <hwy/highway.h>

#ifndef PATTERNLENS_NORMALMAP_SCALAR
#define PATTERNLENS_NORMALMAP_SCALAR
namespace normalmap {
namespace scalar {

inline double height(float h)
{
    return h == h ? static_cast<double>(h) : 0.0;   // NaN is 0
}

// Component c in [-1, 1] as a sample of maximum m, round half up.
inline std::int32_t stored(double c, double m)
{
    c = c == c ? c : 0.0;   // heights too large to subtract, infinities
    c = c < -1.0 ? -1.0 : c;
    c = c > 1.0 ? 1.0 : c;
    const double v = (c + 1) / 2 * m;
    const double whole = std::floor(v);
    return static_cast<std::int32_t>(whole) + (v - whole >= 0.5 ? 1 : 0);
}

// The definition, pixel by pixel: the kernels' tail and their reference.
inline void samples(const float* left, const float* right, const float* up, const float* down, int count, double s,
                    double ySign, double m, std::int32_t* x, std::int32_t* y, std::int32_t* z)
{
    for (int k = 0; k < count; ++k) {
        const double dx = (height(right[k]) - height(left[k])) / 2;
        const double dy = (height(down[k]) - height(up[k])) / 2;
        const double nx = -s * dx;
        const double ny = ySign * (s * dy);
        const double length = std::sqrt(nx * nx + ny * ny + 1.0);
        x[k] = stored(nx / length, m);
        y[k] = stored(ny / length, m);
        z[k] = stored(1.0 / length, m);
    }
}

} // namespace scalar
} // namespace normalmap
#endif

HWY_BEFORE_NAMESPACE();
namespace normalmap {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void SamplesLanes(const float* left, const float* right, const float* up, const float* down, int count, double s,
                  double ySign, double m, std::int32_t* x, std::int32_t* y, std::int32_t* z)
{
    int k = 0;
#if HWY_HAVE_FLOAT64
    const hn::ScalableTag<double> dd;
    const hn::Rebind<float, decltype(dd)> df;
    const hn::Rebind<std::int32_t, decltype(dd)> di;
    const int lanes = static_cast<int>(hn::Lanes(dd));
    const auto height = [&](const float* h) {
        const auto v = hn::PromoteTo(dd, hn::LoadU(df, h));
        return hn::IfThenElseZero(hn::Eq(v, v), v);
    };
    const auto one = hn::Set(dd, 1.0), two = hn::Set(dd, 2.0), half = hn::Set(dd, 0.5);
    using V = hn::Vec<decltype(dd)>;
    const auto stored = [&](V quotient) {
        V c = hn::IfThenElseZero(hn::Eq(quotient, quotient), quotient);
        c = hn::IfThenElse(hn::Lt(c, hn::Set(dd, -1.0)), hn::Set(dd, -1.0), c);
        c = hn::IfThenElse(hn::Gt(c, one), one, c);
        const auto v = hn::Mul(hn::Div(hn::Add(c, one), two), hn::Set(dd, m));
        const auto whole = hn::Floor(v);
        return hn::DemoteTo(di, hn::IfThenElse(hn::Ge(hn::Sub(v, whole), half), hn::Add(whole, one), whole));
    };
    for (; k + lanes <= count; k += lanes) {
        const auto dx = hn::Div(hn::Sub(height(right + k), height(left + k)), two);
        const auto dy = hn::Div(hn::Sub(height(down + k), height(up + k)), two);
        const auto nx = hn::Mul(hn::Set(dd, -s), dx);
        const auto ny = hn::Mul(hn::Set(dd, ySign), hn::Mul(hn::Set(dd, s), dy));
        const auto length = hn::Sqrt(hn::Add(hn::Add(hn::Mul(nx, nx), hn::Mul(ny, ny)), one));
        hn::StoreU(stored(hn::Div(nx, length)), di, x + k);
        hn::StoreU(stored(hn::Div(ny, length)), di, y + k);
        hn::StoreU(stored(hn::Div(one, length)), di, z + k);
    }
#endif
    scalar::samples(left + k, right + k, up + k, down + k, count - k, s, ySign, m, x + k, y + k, z + k);
}

} // namespace HWY_NAMESPACE
} // namespace normalmap
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace normalmap {

HWY_EXPORT(SamplesLanes);

namespace {

template <typename Sample>
void normalRow(const float* above, const float* centre, const float* below, std::size_t count,
               const Settings& settings, double m, Sample* rgb)
{
    const double ySign = settings.convention == Convention::opengl ? 1.0 : -1.0;
    constexpr std::size_t block = 256;
    std::int32_t samples[3][block];
    for (std::size_t first = 0; first < count; first += block) {
        const int n = static_cast<int>(std::min(block, count - first));
        HWY_DYNAMIC_DISPATCH(SamplesLanes)(centre + first, centre + first + 2, above + first, below + first, n,
                                           settings.strength, ySign, m, samples[0], samples[1], samples[2]);
        Sample* out = rgb + 3 * first;
        for (int k = 0; k < n; ++k) {
            out[3 * k] = static_cast<Sample>(samples[0][k]);
            out[3 * k + 1] = static_cast<Sample>(samples[1][k]);
            out[3 * k + 2] = static_cast<Sample>(samples[2][k]);
        }
    }
}

} // namespace

bool readDecimal(const std::string& text, double* out)
{
    // Correctly rounded, in no locale (a toolkit may switch the program to
    // the user's, whose decimal point may be a comma).
    const char* end = text.data() + text.size();
    const std::from_chars_result r = std::from_chars(text.data(), end, *out);
    return r.ec == std::errc() && r.ptr == end;
}

bool parseConvention(const std::string& text, Convention* out)
{
    if (text == "opengl") *out = Convention::opengl;
    else if (text == "directx") *out = Convention::directx;
    else return false;
    return true;
}

const char* conventionName(Convention convention)
{
    return convention == Convention::opengl ? "opengl" : "directx";
}

bool parseStrength(const std::string& text, double* out)
{
    // from_chars takes no plus sign (nor blanks, nor hexadecimal here); an
    // infinity or NaN it reads is outside the range.
    const std::string number = text.size() > 1 && text[0] == '+' && text[1] != '-' ? text.substr(1) : text;
    double value = 0;
    if (!readDecimal(number, &value) || !(std::fabs(value) <= maxStrength)) return false;
    *out = value;
    return true;
}

void row8(const float* above, const float* centre, const float* below, std::size_t count, const Settings& settings,
          std::uint8_t* rgb)
{
    normalRow(above, centre, below, count, settings, 255.0, rgb);
}

void row16(const float* above, const float* centre, const float* below, std::size_t count, const Settings& settings,
           std::uint16_t* rgb)
{
    normalRow(above, centre, below, count, settings, 65535.0, rgb);
}

namespace {

template <typename Sample>
void normalField(const float* heights, std::size_t width, std::size_t height, bool topFirst, bool wrap,
                 const Settings& settings, Sample* rgb,
                 void (*row)(const float*, const float*, const float*, std::size_t, const Settings&, Sample*))
{
    const auto at = [&](long long j) {
        return heights + static_cast<std::size_t>(neighbour(j, static_cast<long long>(height), wrap)) * width;
    };
    const long long up = topFirst ? -1 : 1;   // the row drawn above
    std::vector<float> centre(width + 2);
    for (std::size_t j = 0; j < height; ++j) {
        const float* own = heights + j * width;
        std::copy(own, own + width, centre.begin() + 1);
        centre[0] = own[neighbour(-1, static_cast<long long>(width), wrap)];
        centre[width + 1] = own[neighbour(static_cast<long long>(width), static_cast<long long>(width), wrap)];
        const long long jj = static_cast<long long>(j);
        row(at(jj + up), centre.data(), at(jj - up), width, settings, rgb + 3 * width * j);
    }
}

} // namespace

void field8(const float* heights, std::size_t width, std::size_t height, bool topFirst, bool wrap,
            const Settings& settings, std::uint8_t* rgb)
{
    normalField<std::uint8_t>(heights, width, height, topFirst, wrap, settings, rgb, row8);
}

void field16(const float* heights, std::size_t width, std::size_t height, bool topFirst, bool wrap,
             const Settings& settings, std::uint16_t* rgb)
{
    normalField<std::uint16_t>(heights, width, height, topFirst, wrap, settings, rgb, row16);
}

} // namespace normalmap
#endif
