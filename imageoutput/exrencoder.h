#pragma once
// Layer values as an OpenEXR image that streams in a band of rows at a
// time: scanlines, one channel "Y" of 32-bit floats (or halves), ZIP
// compression on OpenEXR's own threads. The data window is the rendered
// rectangle placed inside a display window of the whole image, so a tile
// knows where it lies.
#include "imageoutput/imagerender.h"

#include <cstdio>
#include <memory>
#include <string>

namespace imagewriter {

class ExrEncoder {
public:
    // region: the rectangle written, inside a whole image of wholeWidth x
    // wholeHeight, row 0 at the top. half: 16-bit floats instead of 32.
    ExrEncoder(std::FILE* file, int wholeWidth, int wholeHeight, const Region& region, bool half, int threads);
    ~ExrEncoder();
    ExrEncoder(const ExrEncoder&) = delete;
    ExrEncoder& operator=(const ExrEncoder&) = delete;

    // Each returns an empty string on success, else the reason. writeRows
    // takes the next count rows of region.width values each, top row first.
    std::string begin();
    std::string writeRows(const float* rows, int count);
    std::string finish();

private:
    class Stream;
    struct File;

    std::FILE* file;
    int wholeWidth, wholeHeight;
    Region region;
    bool half;
    int threads;
    int rowsWritten = 0;
    std::unique_ptr<Stream> stream;
    std::unique_ptr<File> output;
};

} // namespace imagewriter
