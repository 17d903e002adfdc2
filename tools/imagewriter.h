#pragma once
// Grey images held in memory as files: 8-bit greyscale PNG, or binary PGM
// (P5). Renders that should not be held whole go through imagerender.h.
//
// The pixels come as a layer's texture holds them, row 0 first; the viewer
// draws row 0 at the bottom, so the files hold the rows in reverse order and
// show the picture the way the viewer does, top row first.
#include "tools/imageencoder.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace imagewriter {

struct GreyImage {
    const std::uint8_t* pixels = nullptr;   // row j, column i at j * width + i; row 0 at the bottom
    int width = 0;
    int height = 0;
};

// Pgm for a path ending in ".pgm", else Png.
Format formatFor(const std::string& path);

// Encodes the image into an open file. Returns an empty string on success,
// else the reason.
std::string encode(const GreyImage& image, Format format, std::FILE* file);

// Writes the image to path in the format its name asks for, atomically: a
// failure leaves any previous file as it was and no partial file behind.
std::string writeImage(const std::string& path, const GreyImage& image);

} // namespace imagewriter
