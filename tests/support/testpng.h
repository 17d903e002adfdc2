#pragma once
// Decodes a PNG written by the image writer, for tests.
#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testpng {

struct Image {
    int width = 0, height = 0;
    bool grey8 = false;               // stored as 8-bit greyscale
    std::vector<std::uint8_t> rows;   // top row first, empty when unreadable
};

inline Image decode(const std::string& path)
{
    Image out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return out;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.grey8 = !(image.format & PNG_FORMAT_FLAG_COLOR) && !(image.format & PNG_FORMAT_FLAG_LINEAR) &&
                !(image.format & PNG_FORMAT_FLAG_ALPHA);
    image.format = PNG_FORMAT_GRAY;
    out.rows.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.rows.data(), 0, nullptr)) out.rows.clear();
    return out;
}

} // namespace testpng
