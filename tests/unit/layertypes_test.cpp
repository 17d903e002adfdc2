#include "app/layercontrols.h"
#include "generators/cellmath.h"
#include "generators/circles.h"
#include "generators/gradientnoise.h"
#include "generators/noiseslice.h"
#include "generators/squareoverlay.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

using Pixel = std::pair<int, int>;

// An input layer whose value depends on the pixel it is asked for, and which
// remembers every pixel asked. Its value is `hit` at one chosen pixel and
// `miss` everywhere else.
class ProbeLayer : public Renderable {
public:
    ProbeLayer(Pixel target, float hit, float miss) : Renderable(99), target(target), hit(hit), miss(miss) {}
    void createVariables() override {}
    float valueAt(int x, int y) const override
    {
        asked.emplace_back(x, y);
        return Pixel(x, y) == target ? hit : miss;
    }
    Pixel target;
    float hit, miss;
    mutable std::vector<Pixel> asked;
};

// Layers are 64 x 64 pixels. With a view of 32 x 32 units centred on (6, 26)
// pixel (i, j) shows layer point (-10 + i/2, 10 - j/2), exactly: every
// quotient is a power of two.
class LayerTypes : public ::testing::Test {
protected:
    LayerTypes() { controls.setViewportSize(64, 64); }

    template <class T>
    std::unique_ptr<T> make(int typeId)
    {
        std::unique_ptr<T> layer(static_cast<T*>(createLayer(typeId)));
        layer->setView(6, 26, 32, 32);
        return layer;
    }

    static Pixel pixelOf(float lx, float ly)
    {
        return {static_cast<int>((lx + 10) * 2), static_cast<int>((10 - ly) * 2)};
    }

    // Attaches a probe to variable index of layer; the layer owns it.
    static ProbeLayer* attachProbe(Renderable& layer, int index, Pixel target, float hit, float miss)
    {
        auto* probe = new ProbeLayer(target, hit, miss);
        probe->setup();
        layer.attachInput(index, probe);
        return probe;
    }

    LayerControls controls;
};

TEST_F(LayerTypes, ViewPutsPixelsOnHalfUnits)
{
    auto layer = make<SquareOverlay>(1);
    const Pixel p = pixelOf(-4, 1);
    float x = static_cast<float>(p.first), y = static_cast<float>(p.second);
    layer->mapping.windowToLayer(x, y);
    EXPECT_EQ(x, -4.0f);
    EXPECT_EQ(y, 1.0f);
}

// --- Factory ---

TEST_F(LayerTypes, CreateLayerMakesEachTypeWithItsVariables)
{
    struct Expected {
        int count;
        const char* names[2];
        float values[2], maxima[2], minima[2];
    };
    const Expected expected[3] = {
        {1, {"Cutoff", ""}, {0.5f, 0}, {1.0f, 0}, {-1.0f, 0}},
        {1, {"Width", ""}, {2.0f, 0}, {5.0f, 0}, {0.001f, 0}},
        {2, {"Radius", "Spacing"}, {2.0f, 2.0f}, {10.0f, 10.0f}, {0.001f, 0.001f}},
    };
    for (int type = 0; type < 3; ++type) {
        std::unique_ptr<Renderable> layer(createLayer(type));
        ASSERT_NE(layer, nullptr) << type;
        EXPECT_EQ(layer->typeId, type);
        EXPECT_EQ(layer->variableCount, expected[type].count);
        for (int v = 0; v < expected[type].count; ++v) {
            const LayerVariable& var = layer->variables[v];
            EXPECT_STREQ(var.getName(), expected[type].names[v]);
            EXPECT_EQ(var.getValue(), expected[type].values[v]);
            EXPECT_EQ(var.getMaxValue(), expected[type].maxima[v]);
            EXPECT_EQ(var.getMinValue(), expected[type].minima[v]);
            EXPECT_EQ(var.getInputLayer(), nullptr);
            EXPECT_EQ(var.getOwner(), layer.get());
        }
        // Every type starts from the same default view, switch off.
        EXPECT_EQ(layer->x, 0.0f);
        EXPECT_EQ(layer->y, 0.0f);
        EXPECT_EQ(layer->zoomx, 20.0f);
        EXPECT_EQ(layer->zoomy, 20.0f);
        EXPECT_EQ(layer->textureWidth, 64);
        EXPECT_EQ(layer->textureHeight, 64);
        EXPECT_FALSE(layer->inverse);
        EXPECT_EQ(layer->parent, nullptr);
    }
    std::unique_ptr<Renderable> noise(createLayer(0)), squares(createLayer(1)), circles(createLayer(2));
    EXPECT_NE(dynamic_cast<NoiseSlice*>(noise.get()), nullptr);
    EXPECT_NE(dynamic_cast<SquareOverlay*>(squares.get()), nullptr);
    EXPECT_NE(dynamic_cast<Circles*>(circles.get()), nullptr);
}

TEST_F(LayerTypes, CreateLayerRefusesTypesOutsideTable)
{
    EXPECT_EQ(createLayer(-1), nullptr);
    EXPECT_EQ(createLayer(3), nullptr);
    EXPECT_EQ(createLayer(INT_MIN), nullptr);
    EXPECT_EQ(createLayer(INT_MAX), nullptr);
}

TEST(LayerTypeTable, NamesArePaddedAndIndexedByTypeId)
{
    ASSERT_EQ(LayerTypeTable::count, 3);
    const char* expected[] = {"Noise", "Squares", "Circles"};
    for (int t = 0; t < 3; ++t) {
        EXPECT_STREQ(LayerTypeTable::names[t], expected[t]);
        for (std::size_t c = std::strlen(expected[t]); c < 100; ++c)
            EXPECT_EQ(LayerTypeTable::names[t][c], '\0') << t << " at " << c;
    }
}

// --- Cell helpers ---

TEST(CellMath, WrapPositive)
{
    EXPECT_EQ(wrapPositive(7, 5), 2.0f);
    EXPECT_EQ(wrapPositive(5, 5), 0.0f);
    EXPECT_EQ(wrapPositive(0, 5), 0.0f);
    EXPECT_EQ(wrapPositive(-2, 5), 3.0f);
    EXPECT_EQ(wrapPositive(-7, 5), 3.0f);
    EXPECT_EQ(wrapPositive(-5, 5), 5.0f);   // a negative multiple gives b, not 0
    EXPECT_FLOAT_EQ(wrapPositive(8.5f, 6), 2.5f);
    for (float a : {7.0f, -3.0f, 0.0f, 1e12f, inf, nan}) EXPECT_EQ(wrapPositive(a, 0), 0.0f) << a;
}

TEST(CellMath, SnapToCell)
{
    EXPECT_EQ(snapToCell(7, 5), 5.0f);
    EXPECT_EQ(snapToCell(-2, 5), 0.0f);
    EXPECT_EQ(snapToCell(-7, 5), -5.0f);
    EXPECT_EQ(snapToCell(10, 5), 10.0f);
    for (float a : {7.0f, -3.0f, 1e12f, inf, nan}) EXPECT_EQ(snapToCell(a, 0), 0.0f) << a;
}

TEST(CellMath, DefinedBeyondIntRange)
{
    // Quotients beyond the int range saturate: the results are no longer
    // remainders, but they are defined and finite for finite arguments.
    for (float a : {1e12f, -1e12f, 3e9f, -3e9f, 1e38f, -1e38f}) {
        EXPECT_TRUE(std::isfinite(wrapPositive(a, 5))) << a;
        EXPECT_TRUE(std::isfinite(wrapPositive(a, 0.5f))) << a;
        EXPECT_TRUE(std::isfinite(snapToCell(a, 5))) << a;
    }
    // Within range the saturation changes nothing.
    EXPECT_EQ(snapToCell(-3e9f, 1000), -3e9f);
    EXPECT_EQ(wrapPositive(3e9f, 1e9f), 0.0f);
    EXPECT_EQ(snapToCell(nan, 5), 0.0f);
    EXPECT_TRUE(std::isnan(wrapPositive(nan, 5)));
    EXPECT_TRUE(std::isnan(wrapPositive(inf, 5)) || std::isinf(wrapPositive(inf, 5)));
}

// --- Squares ---

TEST_F(LayerTypes, SquaresMembershipWithInitialWidth)
{
    auto layer = make<SquareOverlay>(1);
    auto inside = [&](float lx, float ly) {
        const Pixel p = pixelOf(lx, ly);
        return layer->insideSquare(p.first, p.second);
    };
    EXPECT_TRUE(inside(1, 1));
    EXPECT_FALSE(inside(2.5f, 1));   // u beyond the width
    EXPECT_FALSE(inside(1, 2));      // v equal to the width: strict
    EXPECT_FALSE(inside(0, 1));      // u is 0
    EXPECT_FALSE(inside(-5, 1));     // u is 5
    EXPECT_TRUE(inside(-4, 1));      // u is 1
    const Pixel p = pixelOf(1, 1);
    EXPECT_EQ(layer->valueAt(p.first, p.second), 1.0f);
    const Pixel q = pixelOf(2.5f, 1);
    EXPECT_EQ(layer->valueAt(q.first, q.second), 0.0f);
}

TEST_F(LayerTypes, SquaresGridLinesStayOutsideAtFullWidth)
{
    auto layer = make<SquareOverlay>(1);
    layer->setVariable(0, 5.0f);
    auto inside = [&](float lx, float ly) {
        const Pixel p = pixelOf(lx, ly);
        return layer->insideSquare(p.first, p.second);
    };
    EXPECT_TRUE(inside(4.5f, 4.5f));
    EXPECT_TRUE(inside(-0.5f, 0.5f));
    for (float line : {-10.0f, -5.0f, 0.0f, 5.0f}) {
        for (float across : {-7.5f, -2.5f, 0.5f, 3.0f, 4.5f}) {
            EXPECT_FALSE(inside(line, across)) << line << ", " << across;
            EXPECT_FALSE(inside(across, line)) << across << ", " << line;
        }
    }
}

TEST_F(LayerTypes, SquaresReadDrivenWidthAtCellCornerPixel)
{
    auto layer = make<SquareOverlay>(1);
    // Full width (5) only at the pixel of corner (0, 0), the minimum elsewhere.
    ProbeLayer* probe = attachProbe(*layer, 0, pixelOf(0, 0), 1.0f, 0.0f);

    const Pixel p = pixelOf(4, 1);
    EXPECT_TRUE(layer->insideSquare(p.first, p.second));
    ASSERT_EQ(probe->asked.size(), 1u);
    EXPECT_EQ(probe->asked[0], pixelOf(0, 0));

    // (-2, 1) lies in cell [-5, 0), but its corner snaps toward the origin to
    // (0, 0): the width comes from there, and u = 3 is inside it.
    probe->asked.clear();
    const Pixel n = pixelOf(-2, 1);
    EXPECT_TRUE(layer->insideSquare(n.first, n.second));
    ASSERT_EQ(probe->asked.size(), 1u);
    EXPECT_EQ(probe->asked[0], pixelOf(0, 0));

    // Another cell's corner has the minimum width: nothing of it is inside.
    probe->asked.clear();
    const Pixel o = pixelOf(7, 3);
    EXPECT_FALSE(layer->insideSquare(o.first, o.second));
    ASSERT_EQ(probe->asked.size(), 1u);
    EXPECT_EQ(probe->asked[0], pixelOf(5, 0));
}

// --- Circles ---

TEST_F(LayerTypes, CirclesMembershipWithInitialVariables)
{
    auto layer = make<Circles>(2);
    EXPECT_TRUE(layer->insideCircle(2, 2));
    EXPECT_FALSE(layer->insideCircle(4, 2));   // on the circle: strict
    EXPECT_FALSE(layer->insideCircle(0, 0));
    EXPECT_TRUE(layer->insideCircle(8, 8));
    EXPECT_TRUE(layer->insideCircle(-4, 2));
    // valueAt goes through the layer's mapping to the same points.
    for (auto pt : {std::make_pair(2.0f, 2.0f), std::make_pair(4.0f, 2.0f), std::make_pair(-4.0f, 2.0f)}) {
        const Pixel p = pixelOf(pt.first, pt.second);
        EXPECT_EQ(layer->valueAt(p.first, p.second), layer->insideCircle(pt.first, pt.second) ? 1.0f : 0.0f);
    }
}

TEST_F(LayerTypes, CirclesReadDrivenRadiusAtTruncatedLayerPoint)
{
    auto layer = make<Circles>(2);
    // A quarter of the range at (2, 2) gives a radius of about 2.5; the
    // minimum radius anywhere else shows nothing.
    ProbeLayer* probe = attachProbe(*layer, 0, Pixel(2, 2), 0.25f, 0.0f);

    const Pixel p = pixelOf(2.5f, 2.5f);
    EXPECT_EQ(layer->valueAt(p.first, p.second), 1.0f);
    ASSERT_EQ(probe->asked.size(), 1u);
    EXPECT_EQ(probe->asked[0], Pixel(2, 2));   // not the texture pixel

    // Truncation goes toward zero, not down.
    probe->asked.clear();
    layer->insideCircle(-2.5f, 1.5f);
    ASSERT_EQ(probe->asked.size(), 1u);
    EXPECT_EQ(probe->asked[0], Pixel(-2, 1));
}

// --- Noise ---

TEST_F(LayerTypes, NoiseCutoffAtOrigin)
{
    auto layer = make<NoiseSlice>(0);
    const Pixel origin = pixelOf(0, 0);
    EXPECT_EQ(layer->valueAt(origin.first, origin.second), 0.0f);   // h = cut
    layer->setVariable(0, -1.0f);
    EXPECT_EQ(layer->valueAt(origin.first, origin.second), 0.75f);
}

TEST_F(LayerTypes, NoiseCutoffShapesTheField)
{
    auto layer = make<NoiseSlice>(0);
    for (int i = 0; i < 64; i += 3) {
        for (int j = 0; j < 64; j += 3) {
            float lx = static_cast<float>(i), ly = static_cast<float>(j);
            layer->mapping.windowToLayer(lx, ly);
            const float n = GradientNoise::sample2(lx, ly);
            // Cutoff 0.5 keeps the positive half of the noise as it is.
            layer->setVariable(0, 0.5f);
            EXPECT_NEAR(layer->valueAt(i, j), std::min(std::max(n, 0.0f), 1.0f), 1e-6) << i << ", " << j;
            // Cutoff -1 squeezes the whole noise into [0.5, 1].
            layer->setVariable(0, -1.0f);
            EXPECT_NEAR(layer->valueAt(i, j), std::min((n + 3) / 4, 1.0f), 1e-6) << i << ", " << j;
            // Cutoff 1 leaves only the rare noise above 1, clamped to 1.
            layer->setVariable(0, 1.0f);
            EXPECT_EQ(layer->valueAt(i, j), n > 1.0f ? 1.0f : 0.0f) << i << ", " << j;
        }
    }
}

TEST_F(LayerTypes, NoiseReadsDrivenCutoffAtTexturePixel)
{
    auto layer = make<NoiseSlice>(0);
    ProbeLayer* probe = attachProbe(*layer, 0, Pixel(-1, -1), 0.0f, 0.0f);
    layer->valueAt(17, 41);
    ASSERT_EQ(probe->asked.size(), 1u);
    EXPECT_EQ(probe->asked[0], Pixel(17, 41));
}

// --- Far from the origin ---

TEST_F(LayerTypes, ValuesDefinedFarFromOrigin)
{
    // The view limits keep centres within 1e5, but pixels far outside the
    // texture still reach layer points beyond the int range.
    const Pixel far[] = {{0, 0}, {63, 63}, {INT_MAX, INT_MIN}, {INT_MIN, INT_MAX}, {INT_MAX, INT_MAX}};
    for (int type = 0; type < 3; ++type) {
        std::unique_ptr<Renderable> layer(createLayer(type));
        layer->setView(1e5f, -1e5f, 1e6f, 1e6f);
        attachProbe(*layer, 0, Pixel(0, 0), 0.5f, 0.75f);
        for (const Pixel& p : far) {
            const float v = layer->valueAt(p.first, p.second);
            EXPECT_GE(v, 0.0f) << type << " at " << p.first << ", " << p.second;
            EXPECT_LE(v, 1.0f) << type << " at " << p.first << ", " << p.second;
            if (type != 0) {
                EXPECT_TRUE(v == 0.0f || v == 1.0f);
            }
        }
    }
}

TEST_F(LayerTypes, CirclesDefinedAtExtremeLayerPoints)
{
    auto layer = make<Circles>(2);
    ProbeLayer* probe = attachProbe(*layer, 0, Pixel(0, 0), 0.5f, 0.5f);
    const float extremes[] = {1e12f, -1e12f, 3e9f, -3e9f, inf, -inf, nan};
    for (float a : extremes)
        for (float b : extremes) layer->insideCircle(a, b);
    // Saturated truncation: the farthest points read the variables at the
    // int range's ends, and NaN at 0.
    probe->asked.clear();
    layer->insideCircle(1e12f, -1e12f);
    layer->insideCircle(nan, 3e9f);
    ASSERT_EQ(probe->asked.size(), 2u);
    EXPECT_EQ(probe->asked[0], Pixel(INT_MAX, INT_MIN));
    EXPECT_EQ(probe->asked[1], Pixel(0, INT_MAX));
    EXPECT_FALSE(layer->insideCircle(nan, nan));
}

} // namespace
