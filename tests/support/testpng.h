#pragma once
// Decodes a PNG written by the image writer, for tests.
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
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

// A greyscale (or RGB, or RGBA) PNG of 8 or 16 bits, samples as stored, read row by row with
// every check libpng makes (chunk CRCs, the zlib checksum).
struct Grey {
    int width = 0, height = 0, depth = 0;
    int channels = 1;                     // 3 for an RGB image, 4 for RGBA
    std::vector<std::uint16_t> samples;   // top row first, empty when unreadable
};

namespace detail {
// Kept apart from objects with destructors: libpng leaves through longjmp.
inline bool readGrey(std::FILE* file, Grey* out, std::vector<png_byte>* row)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    const int depth = png_get_bit_depth(png, info);
    const int type = png_get_color_type(png, info);
    if ((type != PNG_COLOR_TYPE_GRAY && type != PNG_COLOR_TYPE_RGB && type != PNG_COLOR_TYPE_RGB_ALPHA) ||
        (depth != 8 && depth != 16)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    out->width = static_cast<int>(png_get_image_width(png, info));
    out->height = static_cast<int>(png_get_image_height(png, info));
    out->depth = depth;
    out->channels = type == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : type == PNG_COLOR_TYPE_RGB ? 3 : 1;
    row->resize(png_get_rowbytes(png, info));
    const std::size_t perRow = static_cast<std::size_t>(out->width) * out->channels;
    out->samples.resize(perRow * static_cast<std::size_t>(out->height));
    for (int r = 0; r < out->height; ++r) {
        png_read_row(png, row->data(), nullptr);
        for (std::size_t c = 0; c < perRow; ++c)
            out->samples[static_cast<std::size_t>(r) * perRow + c] =
                depth == 8 ? (*row)[c] : static_cast<std::uint16_t>((*row)[2 * c] << 8 | (*row)[2 * c + 1]);
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}
} // namespace detail

inline Grey decodeGrey(const std::string& path)
{
    Grey out;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return out;
    std::vector<png_byte> row;
    if (!detail::readGrey(file, &out, &row)) out = Grey{};
    std::fclose(file);
    return out;
}

} // namespace testpng
