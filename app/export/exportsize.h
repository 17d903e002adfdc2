#pragma once
// What the "Export size:" field and the export's file name mean.
#include <string>

namespace exportsize {

// Each side of an image the viewer exports: 1 to maxSide pixels, the sizes
// patternlens-render takes (what a PNG holds). The export streams its rows
// into the file like the renderer, so any of them fits in little memory.
constexpr long long maxSide = 2147483647LL;

// Above this many bytes of raw pixels (width x height x bytes per pixel) the
// viewer asks before it exports: such a file takes long to make and a lot of
// disk.
constexpr long long askAboveBytes = 1LL << 30;   // 1 GiB

// The raw pixels' bytes of a width x height image, in double: the largest
// sides at the most bytes a pixel pass any integer's range.
double rawBytes(long long width, long long height, int bytesPerPixel = 1);

// A byte count as the question names it: "1.5 GiB", "800 MiB".
std::string bytesText(double bytes);

// "WIDTHxHEIGHT" (an "X" or blanks around the numbers are fine too), each
// side 1 to maxSide. An empty text means the drawing area's size. Returns
// false with the reason in *error for anything else.
bool parse(const std::string& text, int defaultWidth, int defaultHeight, int* width, int* height, std::string* error);

// The size as the field shows it: "400x470".
std::string format(int width, int height);

// path with ".png" appended unless it already ends in exactly ".png",
// ".exr", ".tif" or ".tiff" (the images the export writes), or ".glsl" or
// ".html" (the layer's shader, or the web page that runs it).
std::string withImageSuffix(const std::string& path);

} // namespace exportsize
