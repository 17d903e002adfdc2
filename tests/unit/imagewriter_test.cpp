// Grey images as PNG and PGM files: decoded again with libpng, or read as
// plain bytes, the files hold the texture's rows last row first.
#include "tools/imagewriter.h"

#include "tests/support/testfiles.h"
#include "tests/support/testpng.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using testfiles::readFile;

class ImageWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/imagewriter_test.XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        directory = pattern;
        // A 3 x 2 texture: row 0 (drawn at the bottom) is 10 20 30.
        pixels = {10, 20, 30, 40, 50, 60};
        image.pixels = pixels.data();
        image.width = 3;
        image.height = 2;
    }
    void TearDown() override { ASSERT_EQ(std::system(("rm -rf '" + directory + "'").c_str()), 0); }

    std::string directory;
    std::vector<std::uint8_t> pixels;
    imagewriter::GreyImage image;
};

TEST_F(ImageWriterTest, PngHoldsEightBitGreyRowsTopRowFirst)
{
    const std::string path = directory + "/out.png";
    ASSERT_EQ(imagewriter::writeImage(path, image), "");
    const testpng::Image d = testpng::decode(path);
    EXPECT_EQ(d.width, 3);
    EXPECT_EQ(d.height, 2);
    EXPECT_TRUE(d.grey8);
    EXPECT_EQ(d.rows, (std::vector<std::uint8_t>{40, 50, 60, 10, 20, 30}));
}

TEST_F(ImageWriterTest, PgmIsChosenByTheSuffixAndIsBinary)
{
    EXPECT_EQ(imagewriter::formatFor("a.pgm"), imagewriter::Format::Pgm);
    EXPECT_EQ(imagewriter::formatFor("a.png"), imagewriter::Format::Png);
    EXPECT_EQ(imagewriter::formatFor("a.PGM"), imagewriter::Format::Png);
    EXPECT_EQ(imagewriter::formatFor("pgm"), imagewriter::Format::Png);

    const std::string path = directory + "/out.pgm";
    ASSERT_EQ(imagewriter::writeImage(path, image), "");
    EXPECT_EQ(readFile(path), std::string("P5\n3 2\n255\n") + std::string("\x28\x32\x3c\x0a\x14\x1e", 6));
}

TEST_F(ImageWriterTest, AFailedWriteLeavesNoFile)
{
    EXPECT_EQ(imagewriter::writeImage(directory + "/missing/out.png", image), "No such file or directory");

    imagewriter::GreyImage empty;
    EXPECT_EQ(imagewriter::writeImage(directory + "/empty.png", empty), "the image is empty");
    struct stat st;
    EXPECT_NE(stat((directory + "/empty.png").c_str(), &st), 0);
}

TEST_F(ImageWriterTest, LargeImagesRoundTrip)
{
    const int w = 1001, h = 777;   // odd sizes: no row padding may creep in
    std::vector<std::uint8_t> big(static_cast<std::size_t>(w) * h);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>((i * 7) ^ (i >> 9));
    imagewriter::GreyImage large{big.data(), w, h};
    const std::string path = directory + "/large.png";
    ASSERT_EQ(imagewriter::writeImage(path, large), "");
    const testpng::Image d = testpng::decode(path);
    ASSERT_EQ(d.rows.size(), big.size());
    for (int r = 0; r < h; ++r)
        ASSERT_EQ(0, std::memcmp(&d.rows[static_cast<std::size_t>(r) * w], &big[static_cast<std::size_t>(h - 1 - r) * w], w))
            << "row " << r;
}

} // namespace
