#include "app/layercontrols.h"
#include "generators/blend.h"
#include "generators/celllanes.h"
#include "generators/cellmath.h"
#include "generators/cellnoise.h"
#include "generators/circles.h"
#include "generators/fractalnoise.h"
#include "generators/gradientnoise.h"
#include "generators/noiseslice.h"
#include "generators/patternlanes.h"
#include "generators/squareoverlay.h"
#include "generators/warp.h"
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
using Points = std::vector<std::pair<float, float>>;

// An input layer whose value depends on the pixel it is asked for, and which
// remembers every pixel asked, and every point asked that is not a whole
// pixel. Its value is `hit` at one chosen pixel and `miss` everywhere else.
class ProbeLayer : public Renderable {
public:
    ProbeLayer(Pixel target, float hit, float miss) : Renderable(99), target(target), hit(hit), miss(miss) {}
    void createVariables() override {}
    float valueAt(int x, int y) const override
    {
        asked.emplace_back(x, y);
        return Pixel(x, y) == target ? hit : miss;
    }
    float valueAtPoint(float px, float py) const override
    {
        if (px != std::floor(px) || py != std::floor(py)) points.emplace_back(px, py);
        return Renderable::valueAtPoint(px, py);
    }
    Pixel target;
    float hit, miss;
    mutable std::vector<Pixel> asked;
    mutable Points points;
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
        const char* names[4];
        float values[4], maxima[4], minima[4];
    };
    const Expected expected[11] = {
        {1, {"Cutoff"}, {0.5f}, {1.0f}, {-1.0f}},
        {1, {"Width"}, {2.0f}, {5.0f}, {0.001f}},
        {2, {"Radius", "Spacing"}, {2.0f, 2.0f}, {10.0f, 10.0f}, {0.001f, 0.001f}},
        {4, {"Octaves", "Lacunarity", "Gain", "Cutoff"}, {4, 2, 0.5f, 0.5f}, {8, 4, 1, 1}, {1, 1, 0, -1}},
        {2, {"Jitter", "Edges"}, {1, 0}, {1, 1}, {0, 0}},
        {3, {"A", "B", "Mix"}, {0, 1, 0.5f}, {1, 1, 1}, {0, 0, 0}},
        {4, {"Source", "Warp X", "Warp Y", "Amount"}, {0.5f, 0.5f, 0.5f, 0.1f}, {1, 1, 1, 1}, {0, 0, 0, 0}},
        {3, {"Octaves", "Lacunarity", "Gain"}, {4, 2, 0.5f}, {8, 4, 1}, {1, 1, 0}},
        {4, {"Source", "Low", "High", "Steps"}, {0.5f, 0, 1, 8}, {1, 1, 1, 32}, {0, 0, 0, 1}},
        {3, {"A", "B", "Mode"}, {0.5f, 0.5f, 0}, {1, 1, 6}, {0, 0, 0}},
        {2, {"Shape", "Softness"}, {2, 1}, {2, 1}, {0, 0}},
    };
    ASSERT_EQ(LayerTypeTable::count, 11);
    for (int type = 0; type < 11; ++type) {
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
    std::unique_ptr<Renderable> fractal(createLayer(3)), cells(createLayer(4)), blend(createLayer(5));
    EXPECT_NE(dynamic_cast<FractalNoise*>(fractal.get()), nullptr);
    EXPECT_NE(dynamic_cast<CellNoise*>(cells.get()), nullptr);
    EXPECT_NE(dynamic_cast<Blend*>(blend.get()), nullptr);
    std::unique_ptr<Renderable> warp(createLayer(6));
    EXPECT_NE(dynamic_cast<Warp*>(warp.get()), nullptr);
}

TEST_F(LayerTypes, CreateLayerRefusesTypesOutsideTable)
{
    EXPECT_EQ(createLayer(-1), nullptr);
    EXPECT_EQ(createLayer(11), nullptr);
    EXPECT_EQ(createLayer(INT_MIN), nullptr);
    EXPECT_EQ(createLayer(INT_MAX), nullptr);
}

TEST(LayerTypeTable, NamesArePaddedAndIndexedByTypeId)
{
    ASSERT_EQ(LayerTypeTable::count, 11);
    const char* expected[] = {"Noise", "Squares", "Circles", "Fractal", "Cells", "Blend",
                              "Warp",  "Ridged",  "Terrace", "Combine", "Gradient"};
    for (int t = 0; t < 11; ++t) {
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

// --- Fractal, Cells and Blend ---

// Every pixel of a equals the same pixel of b, bit for bit.
void expectSamePixels(const Renderable& a, const Renderable& b, const char* what)
{
    for (int j = 0; j < 64; ++j)
        for (int i = 0; i < 64; ++i) {
            const float va = a.valueAt(i, j), vb = b.valueAt(i, j);
            ASSERT_EQ(std::memcmp(&va, &vb, sizeof va), 0) << what << " at " << i << ", " << j << ": " << va
                                                           << " instead of " << vb;
        }
}

TEST_F(LayerTypes, FractalOctavesAreTheWholePartWithin1To8)
{
    const std::pair<float, float> cases[] = {{nan, 1}, {-inf, 1}, {0.5f, 1}, {3.99f, 3},
                                             {8, 8},   {1e30f, 8}, {inf, 8}};
    for (const auto& c : cases) {
        auto given = make<FractalNoise>(3), expected = make<FractalNoise>(3);
        given->variables[0].overrideValue = c.first;   // as a file may hold it
        expected->variables[0].overrideValue = c.second;
        expectSamePixels(*given, *expected, "octaves");
    }
}

TEST_F(LayerTypes, FractalWithGainZeroIsTheNoiseLayer)
{
    auto fractal = make<FractalNoise>(3);
    auto noise = make<NoiseSlice>(0);
    fractal->setVariable(0, 8);
    fractal->setVariable(1, 3);
    fractal->setVariable(2, 0);
    for (float cut : {0.5f, -1.0f, 0.2f}) {
        fractal->setVariable(3, cut);
        noise->setVariable(0, cut);
        expectSamePixels(*fractal, *noise, "gain 0");
    }
}

// Octaves whose points leave the noise's range add no noise, but still
// count in the sum of amplitudes.
TEST_F(LayerTypes, FractalOctavesBeyondTheRangeAddNothing)
{
    auto fractal = make<FractalNoise>(3);
    fractal->setVariable(0, 3);
    fractal->setVariable(2, 1);
    for (float lac : {inf, 1e30f}) {
        fractal->variables[1].overrideValue = lac;
        for (int j = 0; j < 64; j += 5)
            for (int i = 0; i < 64; i += 3) {
                float x = static_cast<float>(i), y = static_cast<float>(j);
                fractal->mapping.windowToLayer(x, y);
                if (lac != inf && x == 0 && y == 0) continue;   // 0 f stays in range
                EXPECT_EQ(fractal->valueAt(i, j), patternlanes::cutNoise(GradientNoise::sample2(x, y) / 3, 0.5f))
                    << i << ", " << j;
            }
    }
}

// With Jitter 0 the feature points are the cells' centres: 0 there with
// Edges 0 and 1 with Edges 1 (the next point is 1 away); where two or four
// cells meet F1 equals F2, and Edges 1 gives 0.
TEST_F(LayerTypes, CellsWithoutJitterMeasureToTheCentres)
{
    auto cells = make<CellNoise>(4);
    cells->setVariable(0, 0);
    struct Case {
        float x, y, edges0;
    };
    const Case cases[] = {{-3.5f, 2.5f, 0}, {-3, 2.5f, 0.5f}, {-3, 2, std::sqrt(0.5f)}, {0, 0, std::sqrt(0.5f)}};
    for (const Case& c : cases) {
        const Pixel p = pixelOf(c.x, c.y);
        cells->setVariable(1, 0);
        EXPECT_EQ(cells->valueAt(p.first, p.second), c.edges0) << c.x << ", " << c.y;
        cells->setVariable(1, 1);
        EXPECT_EQ(cells->valueAt(p.first, p.second), c.edges0 == 0 ? 1.0f : 0.0f) << c.x << ", " << c.y;
    }
}

TEST_F(LayerTypes, CellsBeyondTheRangeAreZero)
{
    for (float far : {16777216.0f, -16777216.0f, 1e30f, inf, -inf, nan}) {
        EXPECT_EQ(celllanes::cellValue(GradientNoise::noisetables::defaultTables(), far, 0.3f, 1, 0), 0.0f) << far;
        EXPECT_EQ(celllanes::cellValue(GradientNoise::noisetables::defaultTables(), -2.7f, far, 1, 0), 0.0f) << far;
    }
    // Just inside, the centres of the point's cell and the one before
    // round to whole numbers 1 either side of it: F1 equals F2.
    EXPECT_EQ(celllanes::cellValue(GradientNoise::noisetables::defaultTables(), 16777215.0f, 0.5f, 0, 0), 1.0f);
    EXPECT_EQ(celllanes::cellValue(GradientNoise::noisetables::defaultTables(), 16777215.0f, 0.5f, 0, 1), 0.0f);
}

TEST_F(LayerTypes, BlendMixesItsInputs)
{
    auto blend = make<Blend>(5);
    EXPECT_EQ(blend->valueAt(3, 40), 0.5f);   // flat grey without inputs
    // Mix 0 gives A's layer exactly; the value is clamped to [0, 1].
    auto noise = make<NoiseSlice>(0);
    noise->setVariable(0, -1);
    Renderable* a = createLayer(0);
    blend->attachInput(0, a);
    a->setVariable(0, -1);
    blend->attachInput(1, createLayer(4));
    blend->setVariable(2, 0);
    expectSamePixels(*blend, *noise, "mix 0");
    blend->variables[0].removeInputLayer();
    const std::pair<float, float> clamps[] = {{2, 1}, {-1, 0}, {nan, 1}};
    for (const auto& c : clamps) {
        blend->variables[0].overrideValue = c.first;
        EXPECT_EQ(blend->valueAt(3, 40), c.second) << c.first;
    }
}

// --- Far from the origin ---

TEST_F(LayerTypes, ValuesDefinedFarFromOrigin)
{
    // The view limits keep centres within 1e5, but pixels far outside the
    // texture still reach layer points beyond the int range.
    const Pixel far[] = {{0, 0}, {63, 63}, {INT_MAX, INT_MIN}, {INT_MIN, INT_MAX}, {INT_MAX, INT_MAX}};
    for (int type = 0; type < LayerTypeTable::count; ++type) {
        std::unique_ptr<Renderable> layer(createLayer(type));
        layer->setView(1e5f, -1e5f, 1e6f, 1e6f);
        attachProbe(*layer, 0, Pixel(0, 0), 0.5f, 0.75f);
        for (const Pixel& p : far) {
            const float v = layer->valueAt(p.first, p.second);
            EXPECT_GE(v, 0.0f) << type << " at " << p.first << ", " << p.second;
            EXPECT_LE(v, 1.0f) << type << " at " << p.first << ", " << p.second;
            if (type == 1 || type == 2) {
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

// --- Warp ---

// Layers are 64 wide, so a Warp's Amount a moves a point by 2 (w - 0.5) a 64
// pixels; with a, w multiples of powers of two the moves are exact.
TEST_F(LayerTypes, WarpReadsItsSourceAtThePointMovedByWarpXAndY)
{
    auto warp = make<Warp>(6);
    EXPECT_EQ(warp->valueAt(5, 9), 0.5f);   // a flat grey without inputs
    ProbeLayer* probe = attachProbe(*warp, 0, Pixel(19, 32), 0.75f, 0.25f);
    warp->setVariable(1, 0.75f);    // 2 (0.25) 0.5 64 = 16
    warp->setVariable(2, 0.375f);   // 2 (-0.125) 0.5 64 = -8
    warp->setVariable(3, 0.5f);
    EXPECT_EQ(warp->valueAtPoint(3.25f, 40), 0.75f);   // read at the pixel (19, 32)
    EXPECT_EQ(warp->valueAt(4, 40), 0.25f);
    EXPECT_EQ(probe->points, (Points{{19.25f, 32}}));
    // The Warp's own view does not enter its value.
    warp->setView(-300, 45, 0.5f, 900);
    EXPECT_EQ(warp->valueAtPoint(3.25f, 40), 0.75f);

    // A Warp of a Warp moves by both.
    auto outer = make<Warp>(6);
    outer->setVariable(2, 0.75f);   // 2 (0.25) 0.25 64 = 8
    outer->setVariable(3, 0.25f);
    outer->attachInput(0, warp.release());
    outer->valueAtPoint(1.5f, 0.25f);
    EXPECT_EQ(probe->points.back(), std::make_pair(17.5f, 0.25f));
}

TEST_F(LayerTypes, WarpWithAmountZeroIsItsSourceUnlessTheMoveIsNotANumber)
{
    auto warp = make<Warp>(6);
    auto noise = make<NoiseSlice>(0);
    Renderable* source = createLayer(0);
    warp->attachInput(0, source);
    source->setVariable(0, -1);
    noise->setVariable(0, -1);
    warp->attachInput(1, createLayer(4));   // any finite Warp X moves by 0
    warp->setVariable(3, 0);
    expectSamePixels(*warp, *noise, "amount 0");
    EXPECT_EQ(warp->valueAtPoint(7.625f, -3.5f), noise->valueAtPoint(7.625f, -3.5f));
    // An infinite Warp X times Amount 0 is not a number: no Source.
    warp->variables[1].removeInputLayer();
    warp->variables[1].overrideValue = inf;
    EXPECT_EQ(warp->valueAt(20, 30), 0.0f);
}

TEST_F(LayerTypes, WarpWithNaNValuesAndRanges)
{
    // (variable, value or bound set to NaN, driven by a probe first) -> the
    // Warp's value where the Source would be 0.25.
    struct Case {
        int index;
        float LayerVariable::*field;
        bool driven;
        float expected;
    };
    const Case cases[] = {{1, &LayerVariable::overrideValue, false, 0}, {3, &LayerVariable::overrideValue, false, 0},
                          {2, &LayerVariable::maxValue, true, 0},        {3, &LayerVariable::minValue, true, 0},
                          {0, &LayerVariable::overrideValue, false, 1},  {0, &LayerVariable::minValue, true, 1}};
    for (const Case& c : cases) {
        auto warp = make<Warp>(6);
        warp->variables[0].overrideValue = 0.25f;
        if (c.driven) attachProbe(*warp, c.index, Pixel(-1, -1), 0, c.index == 0 ? 0.25f : 0.5f);
        warp->variables[c.index].*c.field = nan;
        EXPECT_EQ(warp->valueAt(11, 12), c.expected) << "variable " << c.index;
        EXPECT_EQ(warp->valueAtPoint(11.5f, 12), c.expected) << "variable " << c.index;
    }
}

TEST_F(LayerTypes, WarpReadsNoSourceAtOrBeyondTwoToThe24)
{
    auto warp = make<Warp>(6);
    warp->setVariable(0, 0.375f);
    warp->setVariable(3, 1);   // Warp X and Y 1 move by 64, 0 by -64
    const float limit = 16777216.0f;
    const std::pair<float, float> readAt[] = {{limit - 66, 0}, {0, limit - 66}, {-limit + 66, 0}, {0, -limit + 66}};
    const std::pair<float, float> beyond[] = {{limit - 64, 0}, {0, limit - 64}, {-limit + 64, 0}, {0, -limit + 64}};
    for (int k = 0; k < 4; ++k) {
        const float w = k < 2 ? 1.0f : 0.0f;
        warp->setVariable(1, k % 2 ? 0.5f : w);
        warp->setVariable(2, k % 2 ? w : 0.5f);
        EXPECT_EQ(warp->valueAtPoint(readAt[k].first, readAt[k].second), 0.375f) << k;
        EXPECT_EQ(warp->valueAtPoint(beyond[k].first, beyond[k].second), 0.0f) << k;
    }
    EXPECT_EQ(warp->valueAtPoint(nan, 0), 0.0f);
    EXPECT_EQ(warp->valueAtPoint(0, -inf), 0.0f);
}

// A Squares or Circles Source read at points half a pixel off still reads
// its driven variable at whole pixels: the cell corner's, or the truncated
// layer point.
TEST_F(LayerTypes, WarpedSquaresAndCirclesReadTheirVariablesAtWholePixels)
{
    for (int type : {1, 2}) {
        auto warp = make<Warp>(6);
        warp->setVariable(1, 0.5f + 1.0f / 256);   // 2 (1/256) 64 = half a pixel
        warp->setVariable(3, 1);
        Renderable* shape = createLayer(type);
        warp->attachInput(0, shape);
        ProbeLayer* probe = attachProbe(*shape, 0, Pixel(-1, -1), 0, 0.5f);
        for (int i = 0; i < 64; i += 7) {
            const int j = 63 - i;
            EXPECT_EQ(warp->valueAt(i, j), shape->pointValue(static_cast<float>(i) + 0.5f, static_cast<float>(j)));
            float x = static_cast<float>(i) + 0.5f, y = static_cast<float>(j);
            shape->mapping.windowToLayer(x, y);
            Pixel expected(static_cast<int>(x), static_cast<int>(y));
            if (type == 1) shape->mapping.layerToWindow(snapToCell(x, 5), snapToCell(y, 5), expected.first, expected.second);
            EXPECT_EQ(probe->asked.back(), expected) << type << " at " << i << ", " << j;
        }
        EXPECT_TRUE(probe->points.empty()) << type;
    }
}

} // namespace
