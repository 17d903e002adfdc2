#include "layers/viewas.h"

#include <locale>
#include <sstream>

std::string ViewAs::strengthText(double strength)
{
    // Plain decimals while few do ("10", "2.5"), else 17 significant digits.
    for (int decimals = 0; decimals <= 20; ++decimals) {
        std::ostringstream out;
        out.imbue(std::locale::classic());
        out << std::fixed;
        out.precision(decimals);
        out << strength;
        double back = 0;
        if (normalmap::readDecimal(out.str(), &back) && back == strength) return out.str();
    }
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.precision(17);
    out << strength;
    return out.str();
}

std::string ViewAs::text() const
{
    switch (kind) {
    case Kind::normal:
        return "normal " + strengthText(normal.strength) + " " + normalmap::conventionName(normal.convention);
    case Kind::ramp:
        return "ramp " + ramp.text();
    case Kind::grey:
        break;
    }
    return {};
}

bool ViewAs::parse(const std::string& text, ViewAs* out, std::string* error)
{
    ViewAs view;
    if (text.rfind("normal ", 0) == 0) {
        const std::string rest = text.substr(7);
        const std::size_t space = rest.find(' ');
        if (space == std::string::npos || !normalmap::parseStrength(rest.substr(0, space), &view.normal.strength) ||
            !normalmap::parseConvention(rest.substr(space + 1), &view.normal.convention)) {
            *error = "expected \"normal STRENGTH opengl|directx\"";
            return false;
        }
        view.kind = Kind::normal;
    } else if (text.rfind("ramp ", 0) == 0) {
        if (!ColourRamp::parse(text.substr(5), &view.ramp, error)) return false;
        view.kind = Kind::ramp;
    } else {
        *error = "expected \"normal STRENGTH opengl|directx\" or \"ramp STOPS\"";
        return false;
    }
    *out = view;
    return true;
}
