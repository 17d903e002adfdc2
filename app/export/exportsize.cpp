#include "app/export/exportsize.h"

#include <cstdio>

namespace exportsize {

namespace {

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool parseSide(const std::string& text, int* side)
{
    const std::string digits = trimmed(text);
    if (digits.empty() || digits.size() > 10) return false;
    long long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > maxSide) return false;
    *side = static_cast<int>(value);
    return true;
}

} // namespace

bool parse(const std::string& text, int defaultWidth, int defaultHeight, int* width, int* height, std::string* error)
{
    const std::string size = trimmed(text);
    if (size.empty()) {
        *width = defaultWidth;
        *height = defaultHeight;
        return true;
    }
    const std::size_t x = size.find_first_of("xX");
    int w = 0, h = 0;
    if (x == std::string::npos || !parseSide(size.substr(0, x), &w) || !parseSide(size.substr(x + 1), &h)) {
        *error = "Export size '" + size + "' is not WIDTHxHEIGHT with each side 1 to " + std::to_string(maxSide);
        return false;
    }
    *width = w;
    *height = h;
    return true;
}

double rawBytes(long long width, long long height, int bytesPerPixel)
{
    return static_cast<double>(width) * static_cast<double>(height) * bytesPerPixel;
}

std::string bytesText(double bytes)
{
    static const char* const units[] = {"bytes", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB", "ZiB"};
    double value = bytes;
    int unit = 0;
    while (value >= 1024 && unit < 7) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    if (unit == 0) std::snprintf(text, sizeof text, "%.0f bytes", bytes);
    else std::snprintf(text, sizeof text, value < 10 ? "%.1f %s" : "%.0f %s", value, units[unit]);
    return text;
}

std::string format(int width, int height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

std::string withImageSuffix(const std::string& path)
{
    for (const std::string suffix : {".png", ".exr", ".tif", ".tiff", ".glsl", ".html"})
        if (path.size() >= suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0)
            return path;
    return path + ".png";
}

} // namespace exportsize
