#pragma once
// What the "Export size:" field and the export's file name mean.
#include <string>

namespace exportsize {

// Each side of an image the viewer exports: 1 to maxSide pixels.
// patternlens-render takes larger ones, up to what a PNG holds.
constexpr int maxSide = 16384;

// "WIDTHxHEIGHT" (an "X" or blanks around the numbers are fine too), each
// side 1 to maxSide. An empty text means the drawing area's size. Returns
// false with the reason in *error for anything else.
bool parse(const std::string& text, int defaultWidth, int defaultHeight, int* width, int* height, std::string* error);

// The size as the field shows it: "400x470".
std::string format(int width, int height);

// path with ".png" appended unless it already ends in exactly ".png",
// ".exr", ".tif" or ".tiff" (the images the export writes).
std::string withImageSuffix(const std::string& path);

} // namespace exportsize
