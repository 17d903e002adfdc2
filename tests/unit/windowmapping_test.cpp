#include "app/windowmapping.h"

#include <gtest/gtest.h>

namespace {

WindowMapping exampleMapping()
{
    WindowMapping m;
    m.setLayerRect(-10, 10, -10, 10);
    m.setWindowRect(0, 200, 0, 100);
    return m;
}

TEST(WindowMapping, StartsAllZero)
{
    WindowMapping m;
    EXPECT_EQ(m.layerLeft, 0.0f);
    EXPECT_EQ(m.windowWidth, 0.0f);
    EXPECT_EQ(m.layerSpan, 0.0f);
}

TEST(WindowMapping, WindowToLayerMapsCornersAndCentre)
{
    const WindowMapping m = exampleMapping();
    float x = 0, y = 0;
    m.windowToLayer(x, y);
    EXPECT_FLOAT_EQ(x, -10);
    EXPECT_FLOAT_EQ(y, -10);
    x = 200, y = 100;
    m.windowToLayer(x, y);
    EXPECT_FLOAT_EQ(x, 10);
    EXPECT_FLOAT_EQ(y, -30);   // down the window goes towards smaller layer y
    x = 100, y = 50;
    m.windowToLayer(x, y);
    EXPECT_FLOAT_EQ(x, 0);
    EXPECT_FLOAT_EQ(y, -20);
}

TEST(WindowMapping, LayerToWindowInvertsUpToTruncation)
{
    const WindowMapping m = exampleMapping();
    int px = -1, py = -1;
    m.layerToWindow(0, -20, px, py);
    EXPECT_EQ(px, 100);
    EXPECT_EQ(py, 50);
    m.layerToWindow(-9.99f, -10.01f, px, py);
    EXPECT_EQ(px, 0);
    EXPECT_EQ(py, 0);
}

TEST(WindowMapping, PixelSizeAndScaleDelta)
{
    const WindowMapping m = exampleMapping();
    float sx, sy;
    m.pixelSize(sx, sy);
    EXPECT_FLOAT_EQ(sx, 0.1f);
    EXPECT_FLOAT_EQ(sy, -0.2f);
    float dx = 5, dy = 5;
    m.scaleDelta(dx, dy);
    EXPECT_FLOAT_EQ(dx, 0.5f);
    EXPECT_FLOAT_EQ(dy, -1.0f);
}

TEST(WindowMapping, PointsOutsideAreExtrapolatedNotClamped)
{
    const WindowMapping m = exampleMapping();
    float x = -100, y = 0;
    m.windowToLayer(x, y);
    EXPECT_FLOAT_EQ(x, -20);
    EXPECT_FLOAT_EQ(y, -10);
    int px, py;
    m.layerToWindow(-20, -10, px, py);
    EXPECT_EQ(px, -100);
    EXPECT_EQ(py, 0);
}

TEST(WindowMapping, FarOutsidePointsSaturateInsteadOfOverflowing)
{
    const WindowMapping m = exampleMapping();
    int px, py;
    m.layerToWindow(1e30f, -1e30f, px, py);
    EXPECT_EQ(px, INT32_MAX);
    EXPECT_EQ(py, INT32_MAX);
    m.layerToWindow(std::numeric_limits<float>::quiet_NaN(), 0, px, py);
    EXPECT_EQ(px, 0);
}

using WindowMappingDeathTest = ::testing::Test;

TEST_F(WindowMappingDeathTest, RejectsEmptyInvertedAndNaNRectangles)
{
    WindowMapping m;
    EXPECT_DEATH(m.setLayerRect(0, 1, 1, 1), "right > left");
    EXPECT_DEATH(m.setLayerRect(1, 2, 0, 1), "bottom > top");
    EXPECT_DEATH(m.setWindowRect(0, std::numeric_limits<float>::quiet_NaN(), 0, 1), "right > left");
    EXPECT_DEATH(m.setWindowRect(5, 1, 0, 5), "bottom > top");
}

} // namespace
