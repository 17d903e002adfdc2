#pragma once
// The normal map of a height field: the one definition that the renderer's
// --normal-map, the viewer's "View as" and the Python module share.
//
// The heights are layer values (a NaN taken as 0), x the column and y the
// row from the top. In double: dx = (h(x+1, y) - h(x-1, y)) / 2 and
// dy = (h(x, y+1) - h(x, y-1)) / 2; the normal is normalise(-s dx, s dy, 1)
// (OpenGL, green up) or normalise(-s dx, -s dy, 1) (DirectX), s the
// strength, and each component c in [-1, 1] is stored as
// round((c + 1) / 2 * M), M = 255 or 65535, halves rounded up.
//
// Which pixel stands beside an edge pixel is the caller's choice (the
// nearest one, or the other side of a seamless picture); the row functions
// take the neighbours as they are given.
#include <cstddef>
#include <cstdint>
#include <string>

namespace normalmap {

enum class Convention { opengl, directx };

struct Settings {
    double strength = 10;
    Convention convention = Convention::opengl;

    bool operator==(const Settings& other) const
    {
        return strength == other.strength && convention == other.convention;
    }
};

// The strengths accepted: finite numbers of at most this size, so that
// s * dx of any finite heights stays finite.
constexpr double maxStrength = 1e6;

// "opengl" or "directx"; false for anything else.
bool parseConvention(const std::string& text, Convention* out);
const char* conventionName(Convention convention);

// A strength as typed: a decimal number (optional sign, digits, optional
// point and fraction, optional exponent) within +-maxStrength.
bool parseStrength(const std::string& text, double* out);

// The whole of text as a decimal number (std::from_chars: an optional minus,
// digits with an optional point, an optional exponent; also "inf" and
// "nan"), correctly rounded.
bool readDecimal(const std::string& text, double* out);

// The normals of count pixels of one row. centre points at the pixel left of
// the first one: centre[0] and centre[count + 1] are the row's left and right
// neighbours, centre[1 + k] the heights of the row itself; above[k] and
// below[k] are the heights of the rows above and below pixel k. rgb takes
// three components a pixel. A component that comes out NaN (heights too
// large to subtract, infinities) is stored as that of 0.
void row8(const float* above, const float* centre, const float* below, std::size_t count, const Settings& settings,
          std::uint8_t* rgb);
void row16(const float* above, const float* centre, const float* below, std::size_t count, const Settings& settings,
           std::uint16_t* rgb);

// The index of the pixel that stands at i along a side of size pixels, i at
// most one beyond either end: the nearest one, or across the picture when
// wrap (a seamless picture, whose normal map tiles too).
inline long long neighbour(long long i, long long size, bool wrap)
{
    if (i < 0) return wrap ? size - 1 : 0;
    if (i >= size) return wrap ? 0 : size - 1;
    return i;
}

// The normals of a whole width x height field held in memory, row after row.
// topFirst: row 0 is the top one (an image), else the bottom one (a
// texture). rgb takes three components a pixel, row after row.
void field8(const float* heights, std::size_t width, std::size_t height, bool topFirst, bool wrap,
            const Settings& settings, std::uint8_t* rgb);
void field16(const float* heights, std::size_t width, std::size_t height, bool topFirst, bool wrap,
             const Settings& settings, std::uint16_t* rgb);

// Round half up of v >= 0, exactly (v + 0.5 would round some values below
// a half up as well).
inline double roundHalfUp(double v)
{
    const double whole = static_cast<double>(static_cast<long long>(v));
    return v - whole >= 0.5 ? whole + 1 : whole;
}

} // namespace normalmap
