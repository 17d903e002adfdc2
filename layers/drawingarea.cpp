#include "layers/drawingarea.h"

#include <charconv>

namespace drawingarea {

std::string Size::text() const
{
    if (*this == Size()) return {};
    return std::to_string(width) + "x" + std::to_string(height);
}

bool Size::parse(const std::string& text, Size* out, std::string* error)
{
    const char* end = text.data() + text.size();
    Size size;
    const auto side = [end](const char* from, int* value) {
        const std::from_chars_result r = std::from_chars(from, end, *value);
        return r.ec == std::errc() && r.ptr != from && *from != '-' && *value >= 1 ? r.ptr : nullptr;
    };
    const char* x = side(text.data(), &size.width);
    const char* last = x && x != end && *x == 'x' ? side(x + 1, &size.height) : nullptr;
    if (last != end) {
        *error = "expected WIDTHxHEIGHT, each side 1 to 2147483647";
        return false;
    }
    *out = size;
    return true;
}

} // namespace drawingarea
