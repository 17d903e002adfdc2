#include "tools/imagewriter.h"

#include "persistence/atomicfile.h"

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <png.h>

namespace {

// The texture's rows, last first.
const std::uint8_t* displayRow(const imagewriter::GreyImage& image, int displayIndex)
{
    const int textureRow = image.height - 1 - displayIndex;
    return image.pixels + static_cast<std::size_t>(textureRow) * static_cast<std::size_t>(image.width);
}

std::string encodePgm(const imagewriter::GreyImage& image, std::FILE* file)
{
    if (std::fprintf(file, "P5\n%d %d\n255\n", image.width, image.height) < 0) return std::strerror(errno);
    for (int r = 0; r < image.height; ++r)
        if (std::fwrite(displayRow(image, r), 1, static_cast<std::size_t>(image.width), file) !=
            static_cast<std::size_t>(image.width))
            return std::strerror(errno ? errno : EIO);
    return {};
}

struct PngErrorText {
    char text[200];
};

void onPngError(png_structp png, png_const_charp message)
{
    auto* error = static_cast<PngErrorText*>(png_get_error_ptr(png));
    std::snprintf(error->text, sizeof error->text, "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// Kept free of objects with destructors: libpng leaves through longjmp.
bool encodePngRows(const imagewriter::GreyImage& image, std::FILE* file, PngErrorText* error)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, onPngError, onPngWarning);
    if (!png) {
        std::snprintf(error->text, sizeof error->text, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        if (!info) std::snprintf(error->text, sizeof error->text, "out of memory");
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int r = 0; r < image.height; ++r) png_write_row(png, displayRow(image, r));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

namespace imagewriter {

Format formatFor(const std::string& path)
{
    static const std::string suffix = ".pgm";
    const bool pgm = path.size() >= suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
    return pgm ? Format::Pgm : Format::Png;
}

std::string encode(const GreyImage& image, Format format, std::FILE* file)
{
    if (!image.pixels || image.width <= 0 || image.height <= 0) return "the image is empty";
    if (format == Format::Pgm) return encodePgm(image, file);
    PngErrorText error{};
    if (!encodePngRows(image, file, &error)) return error.text;
    return {};
}

std::string writeImage(const std::string& path, const GreyImage& image)
{
    const Format format = formatFor(path);
    return atomicfile::replace(path, [&](std::FILE* file) { return encode(image, format, file); });
}

} // namespace imagewriter
