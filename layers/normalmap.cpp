#include "layers/normalmap.h"

#include <cmath>
#include <locale>
#include <sstream>

namespace normalmap {

namespace {

double height(float h)
{
    return h == h ? static_cast<double>(h) : 0.0;   // NaN is 0
}

// Component c in [-1, 1] as a sample of maximum m.
double stored(double c, double m)
{
    if (!(c == c)) c = 0;
    if (c < -1) c = -1;
    if (c > 1) c = 1;
    return roundHalfUp((c + 1) / 2 * m);
}

template <typename Sample>
void normalRow(const float* above, const float* centre, const float* below, std::size_t count,
               const Settings& settings, double m, Sample* rgb)
{
    const double s = settings.strength;
    const double ySign = settings.convention == Convention::opengl ? 1.0 : -1.0;
    for (std::size_t k = 0; k < count; ++k) {
        const double dx = (height(centre[k + 2]) - height(centre[k])) / 2;
        const double dy = (height(below[k]) - height(above[k])) / 2;
        const double nx = -s * dx;
        const double ny = ySign * (s * dy);
        const double length = std::sqrt(nx * nx + ny * ny + 1.0);
        rgb[3 * k] = static_cast<Sample>(stored(nx / length, m));
        rgb[3 * k + 1] = static_cast<Sample>(stored(ny / length, m));
        rgb[3 * k + 2] = static_cast<Sample>(stored(1.0 / length, m));
    }
}

} // namespace

bool readDecimal(const std::string& text, double* out)
{
    // In the C locale whatever the program's (a toolkit may switch to the
    // user's, whose decimal point may be a comma); correctly rounded.
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double value = 0;
    in >> value;
    if (in.fail()) return false;
    *out = value;
    return true;
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
    // strtod alone would take hexadecimal, "inf", "nan" and leading blanks.
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
        std::size_t exponentDigits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    if (i != text.size() || text.size() > 64) return false;
    double value = 0;
    if (!readDecimal(text, &value)) return false;
    if (!(std::fabs(value) <= maxStrength)) return false;
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

} // namespace normalmap
