#include "tools/imagewriter.h"

#include "persistence/atomicfile.h"

#include <algorithm>
#include <new>
#include <vector>

namespace imagewriter {

Format formatFor(const std::string& path)
{
    static const std::string suffix = ".pgm";
    const bool pgm = path.size() >= suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
    return pgm ? Format::Pgm : Format::Png;
}

namespace {

std::string encodeRows(const GreyImage& image, Format format, std::FILE* file)
{
    ImageEncoder encoder(file, format, image.width, image.height, 8);
    std::string error = encoder.begin();
    if (!error.empty()) return error;
    // The texture's rows, last first, handed over a few MiB at a time.
    const std::size_t width = static_cast<std::size_t>(image.width);
    const int rowsPerBatch = static_cast<int>(std::max<std::size_t>(1, (std::size_t(4) << 20) / width));
    std::vector<std::uint8_t> rows(width * static_cast<std::size_t>(std::min(rowsPerBatch, image.height)));
    for (int top = 0, count = 0; top < image.height; top += count) {
        count = std::min(rowsPerBatch, image.height - top);
        for (int r = 0; r < count; ++r) {
            const std::size_t textureRow = static_cast<std::size_t>(image.height - 1 - (top + r));
            std::copy_n(image.pixels + textureRow * width, width, rows.data() + static_cast<std::size_t>(r) * width);
        }
        if (!(error = encoder.writeRows(rows.data(), count)).empty()) return error;
    }
    return encoder.finish();
}

} // namespace

std::string encode(const GreyImage& image, Format format, std::FILE* file)
{
    if (!image.pixels || image.width <= 0 || image.height <= 0) return "the image is empty";
    try {
        return encodeRows(image, format, file);
    } catch (const std::bad_alloc&) {
        return "out of memory";
    }
}

std::string writeImage(const std::string& path, const GreyImage& image)
{
    const Format format = formatFor(path);
    return atomicfile::replace(path, [&](std::FILE* file) { return encode(image, format, file); });
}

} // namespace imagewriter
