// Float images, normal maps and colour ramps: the formulas on pixels worked
// out by hand, and the files read back (OpenEXR, libtiff, libpng) against
// the layer's values or a model of the neighbours, whole and as tiles.
#include "layers/colourramp.h"
#include "layers/normalmap.h"
#include "layers/saturate.h"
#include "layers/viewas.h"
#include "imageoutput/imagerender.h"
#include "tests/support/testfiles.h"
#include "tests/support/testpng.h"
#include "tests/unit/testlayers.h"
#include "tests/support/seamlessscene.h"

#include <gtest/gtest.h>

#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfInputFile.h>
#include <Imath/half.h>
#include <tiffio.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

using imagewriter::Region;
using testfiles::TempFolder;

constexpr int W = 29, H = 19;

// Values outside [0, 1], NaN, and slopes in both directions.
std::unique_ptr<ProbeLayer> wildLayer()
{
    std::unique_ptr<ProbeLayer> layer(ProbeLayer::make(0, [](int x, int y) {
        if ((x * 5 + y) % 41 == 0) return std::nanf("");
        return std::sin(x * 0.7f) * 0.6f + y * 0.047f - 0.1f;
    }));
    layer->textureWidth = W;
    layer->textureHeight = H;
    layer->inverse = true;   // the files hold the values after the switch
    return layer;
}

// The value at image column c, row r from the top.
float valueAt(const Renderable& layer, int c, int r)
{
    return layer.pixelValue(c, layer.textureHeight - 1 - r);
}

std::uint32_t bits(float v)
{
    std::uint32_t b;
    std::memcpy(&b, &v, 4);
    return b;
}

TEST(NormalMap, PixelsWorkedByHandInBothDepthsAndConventions)
{
    // dx = (0.5 - 0) / 2 and dy = (0.5 - 0) / 2; with strength 4 the normal
    // is (-1, 1, 1) / sqrt(3) (OpenGL) or (-1, -1, 1) / sqrt(3) (DirectX).
    const float above[1] = {0}, centre[3] = {0, 0.125f, 0.5f}, below[1] = {0.5f};
    normalmap::Settings settings;
    settings.strength = 4;
    std::uint8_t rgb[3];
    std::uint16_t deep[3];
    normalmap::row8(above, centre, below, 1, settings, rgb);
    EXPECT_EQ(std::vector<int>(rgb, rgb + 3), (std::vector<int>{54, 201, 201}));
    normalmap::row16(above, centre, below, 1, settings, deep);
    EXPECT_EQ(std::vector<int>(deep, deep + 3), (std::vector<int>{13849, 51686, 51686}));
    settings.convention = normalmap::Convention::directx;
    normalmap::row8(above, centre, below, 1, settings, rgb);
    EXPECT_EQ(std::vector<int>(rgb, rgb + 3), (std::vector<int>{54, 54, 201}));
    // Flat (NaN heights count as 0): 127.5 and 32767.5 round up.
    const float nan = std::nanf(""), flat[3] = {nan, 7, 0}, zero[1] = {0};
    normalmap::row8(zero, flat, &nan, 1, settings, rgb);
    EXPECT_EQ(std::vector<int>(rgb, rgb + 3), (std::vector<int>{128, 128, 255}));
    normalmap::row16(zero, flat, &nan, 1, settings, deep);
    EXPECT_EQ(std::vector<int>(deep, deep + 3), (std::vector<int>{32768, 32768, 65535}));
    // Infinite slopes give no undefined samples.
    const float huge[3] = {-INFINITY, 0, INFINITY};
    normalmap::row8(zero, huge, zero, 1, settings, rgb);
    EXPECT_EQ(rgb[1], 128);

    double s = 0;
    EXPECT_TRUE(normalmap::parseStrength("-2.5e1", &s));
    EXPECT_EQ(s, -25);
    for (const char* bad : {"", "1e7", "nan", "inf", "0x10", " 1", "1.5.", "e3", "--1"})
        EXPECT_FALSE(normalmap::parseStrength(bad, &s)) << bad;
}

TEST(ColourRamp, ValuesBetweenAndBeyondTheStopsAndRefusals)
{
    ColourRamp ramp;
    std::string error;
    ASSERT_TRUE(ColourRamp::parse("0.25:#102030,0.5:#FF0000,0.75:#00ff80", &ramp, &error)) << error;
    // 0.625 lies halfway: 255 -> 0 gives 127.5, rounded up; 0 -> 128 gives 64.
    const float values[6] = {0.1f, 0.625f, 0.9f, std::nanf(""), -3, 0.5f};
    std::uint8_t rgb[18];
    ramp.row8(values, 6, rgb);
    EXPECT_EQ(std::vector<int>(rgb, rgb + 18), (std::vector<int>{0x10, 0x20, 0x30, 128, 128, 64, 0, 255, 128, 0, 255,
                                                                 128, 0x10, 0x20, 0x30, 255, 0, 0}));
    std::uint16_t deep[18];
    ramp.row16(values, 6, deep);
    EXPECT_EQ(std::vector<int>(deep, deep + 6), (std::vector<int>{0x1010, 0x2020, 0x3030, 32768, 32768, 16448}));

    ASSERT_TRUE(ColourRamp::parse("terrain", &ramp, &error));
    EXPECT_EQ(ramp.stops().size(), 6u);
    EXPECT_EQ(ramp.stops()[2].rgb[0], 0xe0);
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"0:#000000", "'0:#000000'"},
        {"0:#000000,0:#ffffff", "'0:#ffffff'"},
        {"0:#000000,1:#fffff", "'1:#fffff'"},
        {"0:#000000,1.5:#ffffff", "'1.5:#ffffff'"},
        {".5:#000000,1:#ffffff", "'.5:#000000'"},
        {"0.:#000000,1:#ffffff", "'0.:#000000'"},
        {"0:#000000,,1:#ffffff", "''"},
        {"0:#00000g,1:#ffffff", "'0:#00000g'"},
        {"+0:#000000,1:#ffffff", "'+0:#000000'"},
        {"Terrains", "'Terrains'"},
        {"0:#000000 ,1:#ffffff", "'0:#000000 '"},
    };
    for (const auto& bad : refused) {
        EXPECT_FALSE(ColourRamp::parse(bad.first, &ramp, &error)) << bad.first;
        EXPECT_NE(error.find(bad.second), std::string::npos) << bad.first << ": " << error;
    }
}

TEST(ColourRamp, NamesInAnyCaseAndSpacesAfterCommasGiveTheSameRamp)
{
    std::string error;
    const auto same = [](const ColourRamp& a, const ColourRamp& b) {
        return std::equal(a.stops().begin(), a.stops().end(), b.stops().begin(), b.stops().end(),
                          [](const ColourRamp::Stop& x, const ColourRamp::Stop& y) {
                              return x.t == y.t && std::equal(x.rgb, x.rgb + 3, y.rgb);
                          });
    };
    for (const ColourRamp::Named& named : ColourRamp::named()) {
        ColourRamp plain, shouted, spaced;
        ASSERT_TRUE(ColourRamp::parse(named.stops, &plain, &error)) << error;
        std::string name = named.name, stops;
        name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
        ASSERT_TRUE(ColourRamp::parse(name, &shouted, &error)) << error;
        EXPECT_TRUE(same(shouted, plain) && shouted.text() == named.name) << name;
        for (const char* c = named.stops; *c; ++c) stops += *c == ',' ? std::string(",  ") : std::string(1, *c);
        ASSERT_TRUE(ColourRamp::parse(stops, &spaced, &error)) << error;
        EXPECT_TRUE(same(spaced, plain)) << stops;
    }
}

TEST(ViewAs, TextsReadBackAsTheSameSetting)
{
    ViewAs view, back;
    std::string error;
    EXPECT_EQ(view.text(), "");
    view.kind = ViewAs::Kind::normal;
    view.normal.strength = 0.1;
    view.normal.convention = normalmap::Convention::directx;
    EXPECT_EQ(view.text(), "normal 0.1 directx");
    ASSERT_TRUE(ViewAs::parse(view.text(), &back, &error));
    EXPECT_EQ(back, view);
    ASSERT_TRUE(ViewAs::parse("ramp fire", &back, &error));
    EXPECT_EQ(back.text(), "ramp fire");
    for (const char* bad : {"grey", "normal 10", "normal x opengl", "normal 10 vulkan", "ramp 0:#000000"})
        EXPECT_FALSE(ViewAs::parse(bad, &back, &error)) << bad;
}

// An EXR's values and windows.
struct Exr {
    Imath::Box2i display, data;
    std::vector<float> values;
};

Exr readExr(const std::string& path)
{
    Imf::InputFile in(path.c_str());
    Exr out{in.header().displayWindow(), in.header().dataWindow(), {}};
    const int w = out.data.max.x - out.data.min.x + 1, h = out.data.max.y - out.data.min.y + 1;
    out.values.resize(static_cast<std::size_t>(w) * h);
    Imf::FrameBuffer frame;
    frame.insert("Y", Imf::Slice::Make(Imf::FLOAT, out.values.data(), out.data));
    in.setFrameBuffer(frame);
    in.readPixels(out.data.min.y, out.data.max.y);
    return out;
}

// A TIFF's samples, each widened to a double.
std::vector<double> readTiff(const std::string& path, int* width, int* height, int* depth)
{
    std::vector<double> out;
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (!tiff) return out;
    std::uint32_t w = 0, h = 0;
    std::uint16_t bitsPerSample = 0, format = 0, compression = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
    EXPECT_EQ(compression, COMPRESSION_ADOBE_DEFLATE);
    EXPECT_EQ(format, bitsPerSample == 32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
    *width = static_cast<int>(w), *height = static_cast<int>(h), *depth = bitsPerSample;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize(tiff)));
    for (std::uint32_t r = 0; r < h; ++r) {
        if (TIFFReadScanline(tiff, row.data(), r) < 0) return {};
        for (std::uint32_t c = 0; c < w; ++c) {
            if (bitsPerSample == 32) {
                float v;
                std::memcpy(&v, &row[4 * c], 4);
                out.push_back(v);
            } else if (bitsPerSample == 16) {
                std::uint16_t v;
                std::memcpy(&v, &row[2 * c], 2);
                out.push_back(v);
            } else {
                out.push_back(row[c]);
            }
        }
    }
    TIFFClose(tiff);
    return out;
}

// The row functions take shortcuts past the divisions; the definitions,
// written out here as the issue states them, decide.
TEST(NormalMapAndRamp, RowsEqualTheDefinitionsOnRandomValues)
{
    std::mt19937 random(31);
    std::uniform_real_distribution<float> heights(-0.5f, 1.5f);
    const auto round = [](double v) { return std::floor(v) + (v - std::floor(v) >= 0.5 ? 1 : 0); };
    ColourRamp ramp;
    std::string error;
    ASSERT_TRUE(ColourRamp::parse("0:#1a3d8f,0.3:#FF0000,0.31:#00ff00,1:#0000ff", &ramp, &error));
    // Rows of 37 pixels: the kernels' lanes and their scalar tail.
    constexpr int n = 37;
    for (int k = 0; k < 200000; ++k) {
        // Heights on a coarse grid too, where quotients meet halves.
        const bool grid = k % 2 == 0;
        normalmap::Settings settings;
        settings.strength = grid ? static_cast<int>(k % 9) - 4 : heights(random) * 20;
        if (k % 37 == 0) {
            float above[n], centre[n + 2], below[n];
            for (float* row : {above, centre, below})
                for (int i = 0; i < (row == centre ? n + 2 : n); ++i)
                    row[i] = grid ? std::floor(heights(random) * 8) / 8 : heights(random);
            centre[5] = std::nanf("");
            std::uint8_t rgb[3 * n];
            std::uint16_t deep[3 * n];
            normalmap::row8(above, centre, below, n, settings, rgb);
            normalmap::row16(above, centre, below, n, settings, deep);
            const auto h = [](float v) { return v == v ? double(v) : 0.0; };
            for (int i = 0; i < n; ++i) {
                const double dx = (h(centre[i + 2]) - h(centre[i])) / 2, dy = (h(below[i]) - h(above[i])) / 2;
                const double nv[3] = {-settings.strength * dx, settings.strength * dy, 1};
                const double length = std::sqrt(nv[0] * nv[0] + nv[1] * nv[1] + 1);
                for (int c = 0; c < 3; ++c) {
                    ASSERT_EQ(rgb[3 * i + c], round((nv[c] / length + 1) / 2 * 255)) << k << " " << i;
                    ASSERT_EQ(deep[3 * i + c], round((nv[c] / length + 1) / 2 * 65535)) << k << " " << i;
                }
            }
        }
        std::uint8_t rgb[3];
        std::uint16_t deep[3];
        const float v = grid ? std::floor(heights(random) * 400) / 400 : heights(random);
        const double cv = v < 1 ? (v > 0 ? double(v) : 0.0) : 1.0;
        std::size_t i = 0;
        while (i + 2 < ramp.stops().size() && cv > ramp.stops()[i + 1].t) ++i;
        const ColourRamp::Stop &a = ramp.stops()[i], &b = ramp.stops()[i + 1];
        ramp.row8(&v, 1, rgb);
        ramp.row16(&v, 1, deep);
        for (int c = 0; c < 3; ++c) {
            const double x = a.rgb[c] + double(b.rgb[c] - a.rgb[c]) * (cv - a.t) / (b.t - a.t);
            ASSERT_EQ(rgb[c], round(x)) << v;
            ASSERT_EQ(deep[c], round(x * 257)) << v;
        }
    }
}

TEST(FloatImages, ExrAndTiffHoldTheValuesAsComputedWithTilesInTheirPlaces)
{
    TempFolder folder;
    const std::unique_ptr<ProbeLayer> layer = wildLayer();
    // In one band, and in bands of a row each (an EXR's band origins).
    for (std::size_t bandBytes : {0, 40})
    for (const Region& region : {Region{}, Region{5, 3, 11, 13}, Region{28, 18, 1, 1}}) {
        const Region r = region.width ? region : Region{0, 0, W, H};
        imagewriter::RenderOptions options;
        options.region = region;
        options.bandBytes = bandBytes;
        for (int depth : {32, 16}) {
            options.depth = depth;
            ASSERT_EQ(imagewriter::renderToFile(*layer, folder / "out.exr", options), "");
            const Exr exr = readExr(folder / "out.exr");
            EXPECT_EQ(exr.display, Imath::Box2i(Imath::V2i(0, 0), Imath::V2i(W - 1, H - 1)));
            EXPECT_EQ(exr.data, Imath::Box2i(Imath::V2i(r.x, r.y), Imath::V2i(r.x + r.width - 1, r.y + r.height - 1)));
            for (int row = 0; row < r.height; ++row)
                for (int col = 0; col < r.width; ++col) {
                    const float v = valueAt(*layer, r.x + col, r.y + row);
                    const float want = depth == 32 ? v : static_cast<float>(half(v));
                    ASSERT_EQ(bits(exr.values[std::size_t(row) * r.width + col]), bits(want)) << col << "," << row;
                }
        }
        for (int depth : {32, 16, 8}) {
            options.depth = depth;
            ASSERT_EQ(imagewriter::renderToFile(*layer, folder / "out.tif", options), "");
            int w = 0, h = 0, d = 0;
            const std::vector<double> samples = readTiff(folder / "out.tif", &w, &h, &d);
            ASSERT_EQ(std::vector<int>({w, h, d}), std::vector<int>({r.width, r.height, depth}));
            // 16 and 8 bits hold the samples of the PNG of that depth.
            testpng::Grey png;
            if (depth != 32) {
                ASSERT_EQ(imagewriter::renderToFile(*layer, folder / "out.png", options), "");
                png = testpng::decodeGrey(folder / "out.png");
            }
            for (int row = 0; row < r.height; ++row)
                for (int col = 0; col < r.width; ++col) {
                    const std::size_t k = std::size_t(row) * r.width + col;
                    const float v = valueAt(*layer, r.x + col, r.y + row);
                    if (depth == 32)
                        ASSERT_EQ(bits(static_cast<float>(samples[k])), bits(v)) << col << "," << row;
                    else
                        ASSERT_EQ(samples[k], png.samples[k]) << depth << ": " << col << "," << row;
                }
        }
    }
    // Strips of several rows in several bands (8 bits), and rows of a strip
    // each in parts (16 and 32), of a picture wider than a strip holds.
    layer->textureWidth = 70001;
    layer->textureHeight = 4;
    for (int depth : {8, 16, 32}) {
        imagewriter::RenderOptions options;
        options.depth = depth;
        options.bandBytes = 100000;
        ASSERT_EQ(imagewriter::renderToFile(*layer, folder / "wide.tif", options), "");
        int w = 0, h = 0, d = 0;
        const std::vector<double> samples = readTiff(folder / "wide.tif", &w, &h, &d);
        ASSERT_EQ(std::vector<int>({w, h, d}), std::vector<int>({70001, 4, depth}));
        for (std::size_t k = 0; k < samples.size(); k += 97) {
            const float v = valueAt(*layer, int(k % 70001), int(k / 70001));
            const float want = depth == 32 ? v : depth == 16 ? imagewriter::sample16(v) : greyByte(v);
            ASSERT_EQ(bits(float(samples[k])), bits(want)) << k;   // NaN too
        }
    }
    layer->textureWidth = W;
    layer->textureHeight = H;
    imagewriter::RenderOptions options;
    options.depth = 8;
    EXPECT_NE(imagewriter::renderToFile(*layer, folder / "bad.exr", options), "");
    options.depth = 32;
    EXPECT_NE(imagewriter::renderToFile(*layer, folder / "bad.png", options), "");
    options.view.kind = ViewAs::Kind::normal;
    options.depth = 8;
    EXPECT_NE(imagewriter::renderToFile(*layer, folder / "bad.tif", options), "");
    EXPECT_FALSE(testfiles::exists(folder / "bad.exr") || testfiles::exists(folder / "bad.png") ||
                 testfiles::exists(folder / "bad.tif"));
}

// The normal map's neighbours, modelled on the whole picture: the nearest
// pixel across an edge, or the far side when the layer is seamless; tiles
// cut from the same image. The ramp image against the ramp's own rows.
TEST(ColourImages, NormalMapsAndRampsOfWholeImagesAndTiles)
{
    TempFolder folder;
    const std::unique_ptr<ProbeLayer> layer = wildLayer();
    ColourRamp ramp;
    std::string error;
    ASSERT_TRUE(ColourRamp::parse("ice", &ramp, &error));
    for (bool wrap : {false, true}) {
        applySeamless(*layer, wrap);
        const auto side = [wrap](int i, int n) { return i < 0 ? (wrap ? n - 1 : 0) : i >= n ? (wrap ? 0 : n - 1) : i; };
        // In one band, in bands of a row each (the neighbours at the bands'
        // edges), and in parts of rows.
        for (std::size_t bandBytes : {0, 100, 10})
        for (int depth : {8, 16})
            for (const Region& r : {Region{0, 0, W, H}, Region{0, 0, 7, 5}, Region{7, 5, 22, 14}, Region{13, 2, 1, 17}}) {
                imagewriter::RenderOptions options;
                options.depth = depth;
                options.region = r;
                options.bandBytes = bandBytes;
                options.view.kind = ViewAs::Kind::normal;
                options.view.normal.strength = 3.5;
                options.view.normal.convention = wrap ? normalmap::Convention::directx : normalmap::Convention::opengl;
                ASSERT_EQ(imagewriter::renderToFile(*layer, folder / "normal.png", options), "");
                options.view.kind = ViewAs::Kind::ramp;
                options.view.ramp = ramp;
                ASSERT_EQ(imagewriter::renderToFile(*layer, folder / "ramp.png", options), "");
                const testpng::Grey normal = testpng::decodeGrey(folder / "normal.png");
                const testpng::Grey colours = testpng::decodeGrey(folder / "ramp.png");
                ASSERT_EQ(normal.channels, 3);
                ASSERT_EQ(normal.depth, depth);
                ASSERT_EQ(normal.samples.size(), std::size_t(3) * r.width * r.height);
                ASSERT_EQ(colours.samples.size(), normal.samples.size());
                for (int row = 0; row < r.height; ++row)
                    for (int col = 0; col < r.width; ++col) {
                        const int x = r.x + col, y = r.y + row;
                        const float above = valueAt(*layer, x, side(y - 1, H)), below = valueAt(*layer, x, side(y + 1, H));
                        const float centre[3] = {valueAt(*layer, side(x - 1, W), y), valueAt(*layer, x, y),
                                                 valueAt(*layer, side(x + 1, W), y)};
                        std::uint16_t want[3], wantColour[3];
                        std::uint8_t narrow[3];
                        if (depth == 16) {
                            normalmap::row16(&above, centre, &below, 1, options.view.normal, want);
                            ramp.row16(centre + 1, 1, wantColour);
                        } else {
                            normalmap::row8(&above, centre, &below, 1, options.view.normal, narrow);
                            std::copy(narrow, narrow + 3, want);
                            ramp.row8(centre + 1, 1, narrow);
                            std::copy(narrow, narrow + 3, wantColour);
                        }
                        const std::size_t k = 3 * (std::size_t(row) * r.width + col);
                        for (int c = 0; c < 3; ++c) {
                            ASSERT_EQ(normal.samples[k + c], want[c]) << wrap << " " << depth << " " << x << "," << y;
                            ASSERT_EQ(colours.samples[k + c], wantColour[c]) << depth << " " << x << "," << y;
                        }
                    }
            }
    }
}

} // namespace
