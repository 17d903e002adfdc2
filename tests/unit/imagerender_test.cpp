// Streaming images: the encoder fed in uneven batches, the renderer's bands,
// regions and depths, checked against the layer's own values; the PNG
// stream taken apart and inflated by zlib, which checks every checksum.
#include "imageoutput/imagerender.h"

#include "app/layercontrols.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "layers/saturate.h"
#include "tests/support/testfiles.h"
#include "tests/support/testpng.h"
#include "tests/unit/testlayers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>
#include <zlib.h>

namespace {

using testfiles::entries;
using testfiles::exists;
using testfiles::readFile;
using testfiles::TempFolder;

std::uint32_t big32(const std::string& s, std::size_t at)
{
    return std::uint32_t(std::uint8_t(s[at])) << 24 | std::uint32_t(std::uint8_t(s[at + 1])) << 16 |
           std::uint32_t(std::uint8_t(s[at + 2])) << 8 | std::uint8_t(s[at + 3]);
}

// The rows of a PNG as stored (filter bytes included), after checking every
// chunk's CRC and inflating all IDAT data as one zlib stream that must end
// exactly where the data ends. Empty when anything is wrong.
std::string inflatedRows(const std::string& png, std::string* why)
{
    if (png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return *why = "no signature", "";
    std::string data;
    std::size_t at = 8;
    bool ended = false;
    while (at + 12 <= png.size() && !ended) {
        const std::size_t length = big32(png, at);
        const std::string type = png.substr(at + 4, 4);
        if (at + 12 + length > png.size()) return *why = "chunk past the end", "";
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + at + 4), static_cast<uInt>(length + 4));
        if (crc != big32(png, at + 8 + length)) return *why = "bad CRC in " + type, "";
        if (type == "IDAT") data += png.substr(at + 8, length);
        ended = type == "IEND";
        at += 12 + length;
    }
    if (!ended || at != png.size()) return *why = "no IEND at the end", "";
    z_stream z{};
    inflateInit(&z);
    std::string out(1 << 16, '\0');
    std::size_t produced = 0;
    z.next_in = reinterpret_cast<Bytef*>(&data[0]);
    z.avail_in = static_cast<uInt>(data.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        if (produced == out.size()) out.resize(out.size() * 2);
        z.next_out = reinterpret_cast<Bytef*>(&out[produced]);
        z.avail_out = static_cast<uInt>(out.size() - produced);
        rc = inflate(&z, Z_NO_FLUSH);
        produced = z.total_out;
    }
    const bool whole = rc == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    if (!whole) return *why = "zlib stream: " + std::to_string(rc) + " with " + std::to_string(z.avail_in) + " bytes left", "";
    out.resize(produced);
    return out;
}

// A PGM's size, maxval and samples (16-bit ones big-endian).
struct Pgm {
    int width = 0, height = 0, maxval = 0;
    std::vector<std::uint16_t> samples;
};

Pgm readPgm(const std::string& path)
{
    const std::string s = readFile(path);
    Pgm p;
    int consumed = 0;
    // One newline after the maxval: a format's trailing "\n" would also eat
    // samples that look like white space.
    if (std::sscanf(s.c_str(), "P5\n%d %d\n%d%n", &p.width, &p.height, &p.maxval, &consumed) != 3 ||
        s[static_cast<std::size_t>(consumed)] != '\n')
        return {};
    ++consumed;
    const std::size_t bytes = p.maxval > 255 ? 2 : 1;
    if (s.size() != consumed + bytes * p.width * p.height) return {};
    for (std::size_t k = 0; k < std::size_t(p.width) * p.height; ++k) {
        const std::uint8_t* b = reinterpret_cast<const std::uint8_t*>(s.data()) + consumed + k * bytes;
        p.samples.push_back(bytes == 2 ? std::uint16_t(b[0] << 8 | b[1]) : b[0]);
    }
    return p;
}

TEST(ImageEncoder, PngStreamsFedInUnevenBatchesDecodeToTheRowsInBothDepths)
{
    TempFolder folder;
    std::mt19937 random(14);
    // 700 rows of 1001 pixels span several compressed pieces, so pieces meet
    // inside batches and at their edges; smooth rows and noise rows exercise
    // every filter.
    for (int depth : {8, 16}) {
        const int w = 1001, h = 700;
        const std::size_t rowBytes = std::size_t(w) * depth / 8;
        std::vector<std::uint8_t> rows(rowBytes * h);
        for (int r = 0; r < h; ++r)
            for (std::size_t i = 0; i < rowBytes; ++i)
                rows[r * rowBytes + i] = r % 3 == 0 ? std::uint8_t(random()) : std::uint8_t(i / 7 + r);
        const std::string path = folder / ("batches" + std::to_string(depth) + ".png");
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_TRUE(file);
        imagewriter::ImageEncoder encoder(file, imagewriter::Format::Png, w, h, depth);
        ASSERT_EQ(encoder.begin(), "");
        int done = 0;
        for (int batch : {1, 7, 333, 0, 358, 1}) {
            ASSERT_EQ(encoder.writeRows(rows.data() + done * rowBytes, batch), "");
            done += batch;
        }
        ASSERT_EQ(done, h);
        EXPECT_EQ(encoder.writeRows(rows.data(), 1), "more rows than the image has");
        ASSERT_EQ(encoder.finish(), "");
        std::fclose(file);

        std::string why;
        const std::string stored = inflatedRows(readFile(path), &why);
        EXPECT_EQ(stored.size(), (rowBytes + 1) * h) << why;
        const testpng::Grey png = testpng::decodeGrey(path);
        ASSERT_EQ(png.depth, depth);
        ASSERT_EQ(png.width, w);
        ASSERT_EQ(png.height, h);
        for (std::size_t k = 0; k < png.samples.size(); ++k) {
            const std::uint16_t want = depth == 8 ? rows[k] : std::uint16_t(rows[2 * k] << 8 | rows[2 * k + 1]);
            ASSERT_EQ(png.samples[k], want) << "sample " << k << ", depth " << depth;
        }
    }
}

TEST(ImageEncoder, PgmIsChosenByTheSuffixAlone)
{
    EXPECT_EQ(imagewriter::formatFor("a.pgm"), imagewriter::Format::Pgm);
    EXPECT_EQ(imagewriter::formatFor("a.png"), imagewriter::Format::Png);
    EXPECT_EQ(imagewriter::formatFor("a.PGM"), imagewriter::Format::Pgm);   // without case, as the renderer checks it
    EXPECT_EQ(imagewriter::formatFor("pgm"), imagewriter::Format::Png);
}

TEST(ImageEncoder, AFullDiskAndMissingRowsAreReported)
{
    std::vector<std::uint8_t> rows(std::size_t(3000) * 300, 7);
    for (imagewriter::Format format : {imagewriter::Format::Png, imagewriter::Format::Pgm}) {
        std::FILE* full = std::fopen("/dev/full", "wb");
        ASSERT_TRUE(full);
        std::setvbuf(full, nullptr, _IONBF, 0);   // the error shows at the write, not at the close
        imagewriter::ImageEncoder encoder(full, format, 3000, 300, 8);
        std::string error = encoder.begin();
        if (error.empty()) error = encoder.writeRows(rows.data(), 300);
        EXPECT_EQ(error, "No space left on device");
        std::fclose(full);
    }
    std::FILE* sink = std::fopen("/dev/null", "wb");
    imagewriter::ImageEncoder shortImage(sink, imagewriter::Format::Pgm, 3000, 300, 8);
    ASSERT_EQ(shortImage.begin(), "");
    ASSERT_EQ(shortImage.writeRows(rows.data(), 299), "");
    EXPECT_EQ(shortImage.finish(), "the image is missing rows");
    imagewriter::ImageEncoder badDepth(sink, imagewriter::Format::Png, 3, 3, 12);
    EXPECT_EQ(badDepth.begin(), "the depth must be 8 or 16");
    std::fclose(sink);
}

TEST(ImageRender, SixteenBitSamplesRoundTheClampedValue)
{
    EXPECT_EQ(imagewriter::sample16(0.0f), 0);
    EXPECT_EQ(imagewriter::sample16(1.0f), 65535);
    EXPECT_EQ(imagewriter::sample16(0.5f), 32768);   // 32767.5 rounds away from zero
    EXPECT_EQ(imagewriter::sample16(0.25f), 16384);  // 16383.75
    EXPECT_EQ(imagewriter::sample16(1.0f / 65535 * 0.49f), 0);
    EXPECT_EQ(imagewriter::sample16(1.0f / 65535 * 0.51f), 1);
    EXPECT_EQ(imagewriter::sample16(-0.5f), 0);
    EXPECT_EQ(imagewriter::sample16(1.5f), 65535);
    EXPECT_EQ(imagewriter::sample16(std::numeric_limits<float>::infinity()), 65535);
    EXPECT_EQ(imagewriter::sample16(-std::numeric_limits<float>::infinity()), 0);
    EXPECT_EQ(imagewriter::sample16(std::nanf("")), 0);
    // Monotonic, and within half a step of the value, over the whole range.
    std::uint16_t last = 0;
    for (int k = 0; k <= 100000; ++k) {
        const float v = k / 100000.0f;
        const std::uint16_t s = imagewriter::sample16(v);
        ASSERT_GE(s, last);
        ASSERT_LE(std::fabs(s - double(v) * 65535), 0.5);
        last = s;
    }
}

// A layer whose values go beyond [0, 1] and include NaN, so that both
// conversions meet their edge cases; its texture is 37 x 23.
std::unique_ptr<ProbeLayer> wildLayer()
{
    std::unique_ptr<ProbeLayer> layer(ProbeLayer::make(0, [](int x, int y) {
        if ((x * 7 + y) % 53 == 0) return std::nanf("");
        return (x - 5) * 0.037f + y * 0.011f - 0.2f;
    }));
    layer->textureWidth = 37;
    layer->textureHeight = 23;
    return layer;
}

TEST(ImageRender, BothDepthsHoldTheLayersValuesTopRowFirstAndRegionsCutTheSameImage)
{
    TempFolder folder;
    const std::unique_ptr<ProbeLayer> layer = wildLayer();
    layer->inverse = true;   // the files show the value after the switch
    // In one band, in bands of a row each, and in parts of rows.
    for (std::size_t bandBytes : {0, 80, 20})
    for (int depth : {8, 16}) {
        imagewriter::RenderOptions options;
        options.depth = depth;
        options.bandBytes = bandBytes;
        const std::vector<imagewriter::Region> regions = {{}, {0, 0, 37, 23}, {5, 3, 11, 17}, {36, 22, 1, 1}, {0, 9, 37, 1}};
        for (const imagewriter::Region& region : regions) {
            options.region = region;
            const std::string pgmPath = folder / "out.pgm", pngPath = folder / "out.png";
            ASSERT_EQ(imagewriter::renderToFile(*layer, pgmPath, options), "");
            ASSERT_EQ(imagewriter::renderToFile(*layer, pngPath, options), "");
            const Pgm pgm = readPgm(pgmPath);
            const testpng::Grey png = testpng::decodeGrey(pngPath);
            const imagewriter::Region r = region.width ? region : imagewriter::Region{0, 0, 37, 23};
            ASSERT_EQ(pgm.width, r.width);
            ASSERT_EQ(pgm.height, r.height);
            ASSERT_EQ(pgm.maxval, depth == 8 ? 255 : 65535);
            ASSERT_EQ(png.depth, depth);
            ASSERT_EQ(png.samples, pgm.samples);
            for (int row = 0; row < r.height; ++row)
                for (int col = 0; col < r.width; ++col) {
                    const float v = layer->pixelValue(r.x + col, 23 - 1 - (r.y + row));
                    const std::uint16_t want = depth == 8 ? greyByte(v) : imagewriter::sample16(v);
                    ASSERT_EQ(pgm.samples[std::size_t(row) * r.width + col], want)
                        << "depth " << depth << ", column " << col << ", row " << row;
                }
        }
    }
}

TEST(ImageRender, BadRequestsAndCancelledRendersLeaveNoFile)
{
    TempFolder folder;
    const std::unique_ptr<ProbeLayer> layer = wildLayer();
    const std::string path = folder / "out.png";
    imagewriter::RenderOptions options;
    options.depth = 12;
    EXPECT_EQ(imagewriter::renderToFile(*layer, path, options), "the depth must be 8 or 16");
    options.depth = 16;
    options.region = {30, 0, 8, 5};
    EXPECT_EQ(imagewriter::renderToFile(*layer, path, options), "the region 30,0,8,5 lies outside the 37x23 image");
    options.region = {-1, 0, 8, 5};
    EXPECT_NE(imagewriter::renderToFile(*layer, path, options), "");
    options.region = {0, 0, 5, 0};   // not the whole image: an empty one
    EXPECT_EQ(imagewriter::renderToFile(*layer, path, options), "the region is empty");
    EXPECT_EQ(imagewriter::regionError({0, 0, 0, 5}, 37, 23), "the region is empty");
    EXPECT_EQ(imagewriter::regionError({0, 0, 37, 23}, 37, 23), "");
    EXPECT_NE(imagewriter::regionError({1, 1, 2147483647, 1}, 37, 23), "");

    options.region = {};
    long long calls = 0;
    options.progress = [&calls](long long done, long long total) {
        EXPECT_EQ(total, 23);
        EXPECT_GT(done, 0);
        ++calls;
        return false;
    };
    EXPECT_EQ(imagewriter::renderToFile(*layer, path, options), "cancelled");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(entries(folder.path()), 0);   // neither the image nor a temporary file
}

TEST(ImageRender, ProgressCountsEveryRowOnceUpToTheEnd)
{
    TempFolder folder;
    std::unique_ptr<ProbeLayer> layer(ProbeLayer::make(0));
    // Wide enough that one band holds few rows.
    layer->textureWidth = 150000;
    layer->textureHeight = 120;
    imagewriter::RenderOptions options;
    std::vector<long long> seen;
    options.progress = [&seen](long long done, long long total) {
        EXPECT_EQ(total, 120);
        seen.push_back(done);
        return true;
    };
    ASSERT_EQ(imagewriter::renderToFile(*layer, folder / "wide.pgm", options), "");
    ASSERT_GT(seen.size(), 1u);
    for (std::size_t k = 1; k < seen.size(); ++k) EXPECT_GT(seen[k], seen[k - 1]);
    EXPECT_EQ(seen.back(), 120);
}

} // namespace
