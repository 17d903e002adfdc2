#include "persistence/numbertext.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace {

locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

// Switches this thread to the C locale for the lifetime of the object.
class CLocaleScope {
public:
    CLocaleScope() : previous(uselocale(cLocale())) {}
    ~CLocaleScope() { uselocale(previous); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous;
};

} // namespace

namespace numbertext {

std::string formatFixed(double value)
{
    // 310 digits hold the largest double in "%f"; the sign, point and six
    // decimals fit in the rest.
    char text[330];
    CLocaleScope scope;
    std::snprintf(text, sizeof text, "%f", value);
    return text;
}

std::string formatExact(float value)
{
    // Nine significant digits always read back as the same float; fewer are
    // tried first so that simple values stay short.
    char text[32];
    CLocaleScope scope;
    for (int digits = 6;; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (digits == 9 || static_cast<float>(strtod_l(text, nullptr, cLocale())) == value) return text;
    }
}

std::string formatInt(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return text;
}

bool parseDouble(const char* text, double* value)
{
    if (!text) return false;
    char* end = nullptr;
    const double v = strtod_l(text, &end, cLocale());
    if (end == text) return false;
    *value = v;
    return true;
}

bool parseInt(const char* text, int* value)
{
    if (!text) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text) return false;
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    *value = static_cast<int>(v);
    return true;
}

} // namespace numbertext
