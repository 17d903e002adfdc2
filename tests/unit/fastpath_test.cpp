// The fast evaluation (rows, SIMD noise, worker threads) against the plain
// one: every byte of every texture and every bit of every noise sample must
// be the same.
#include "app/layercontrols.h"
#include "generators/gradientnoise.h"
#include "generators/seedtables.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "layers/rowloop.h"
#include "layers/saturate.h"
#include "layers/treewalk.h"
#include "layers/workerpool.h"
#include "tests/support/everytarget.h"

#include "tests/support/floatbits.h"
#include "tests/support/seamlessscene.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using floatbits::bitsOf;
using floatbits::floatOf;
using floatbits::inf;
using floatbits::nan;
constexpr auto sameSample = floatbits::sameFloat;

// ---------------------------------------------------------------- noise

// Points that reach every branch of the lanes: the lattice and its
// diagonal, negative whole numbers, the int range's edges where the lanes
// hand over to sample2, and values that are not numbers at all.
std::vector<float> extremeCoordinates()
{
    std::vector<float> v = {0.0f, -0.0f, 1.0f, -1.0f, -3.0f, 0.5f, 0.25f, 1.3f, -2.7f, 10.1f, 3.3f,
                            201.9008f, -54.0992f, 1e-30f, -1e-30f, 1e-45f, 1e5f, -1e5f, 6e5f, -6e5f,
                            16777216.0f, -16777217.0f, 1073741760.0f, -1073741760.0f, 1073741824.0f,
                            -1073741824.0f, 2147483520.0f, 2147483648.0f, -2147483648.0f, -2147483904.0f,
                            4e9f, -4e9f, 1e20f, -1e20f, 3.4e38f, -3.4e38f, inf, -inf, nan, -nan};
    return v;
}

struct NoisePoints {
    std::vector<float> xs, ys;
};

NoisePoints noisePoints()
{
    NoisePoints p;
    const std::vector<float> extremes = extremeCoordinates();
    for (float x : extremes)
        for (float y : extremes) {
            p.xs.push_back(x);
            p.ys.push_back(y);
        }
    std::mt19937 random(2024);
    std::uniform_real_distribution<float> near(-20.0f, 20.0f), far(-6e5f, 6e5f);
    std::uniform_int_distribution<std::uint32_t> anyBits;
    for (int k = 0; k < 6000; ++k) {
        p.xs.push_back(near(random));
        p.ys.push_back(near(random));
        p.xs.push_back(far(random));
        p.ys.push_back(far(random));
        p.xs.push_back(floatOf(anyBits(random)));
        p.ys.push_back(floatOf(anyBits(random)));
    }
    return p;
}

TEST(BatchedNoise, EveryTargetEqualsSample2BitForBit)
{
    const NoisePoints p = noisePoints();
    const int total = static_cast<int>(p.xs.size());
    onEveryTarget([&] {
        std::vector<float> out(p.xs.size());
        // Odd lengths and offsets exercise the partly filled last lanes.
        for (int start = 0, length = 1; start < total; start += length, length = length % 37 + 1) {
            const int count = start + length <= total ? length : total - start;
            GradientNoise::sample2Batch(&p.xs[start], &p.ys[start], count, &out[start]);
        }
        int failures = 0;
        for (int k = 0; k < total && failures < 10; ++k) {
            const float expected = GradientNoise::sample2(p.xs[k], p.ys[k]);
            if (!sameSample(out[k], expected)) {
                ++failures;
                ADD_FAILURE() << "at (" << p.xs[k] << ", " << p.ys[k] << "): " << out[k] << " (bits "
                              << bitsOf(out[k]) << ") instead of " << expected << " (bits " << bitsOf(expected)
                              << ")";
            }
        }
    });
}

TEST(BatchedNoise, RowAndBatchWorkInPlaceOnEveryTarget)
{
    const NoisePoints p = noisePoints();
    onEveryTarget([&] {
        for (int count : {1, 3, 8, 13, 17, 33, 256}) {
            std::vector<float> xs(p.xs.begin() + 500, p.xs.begin() + 500 + count);
            std::vector<float> ys(p.ys.begin() + 500, p.ys.begin() + 500 + count);
            const float rowY = ys[0];
            std::vector<float> row = xs, batch = ys;
            GradientNoise::sample2Row(row.data(), rowY, count, row.data());
            GradientNoise::sample2Batch(xs.data(), batch.data(), count, batch.data());
            for (int k = 0; k < count; ++k) {
                EXPECT_TRUE(sameSample(row[k], GradientNoise::sample2(xs[k], rowY))) << "row, count " << count;
                EXPECT_TRUE(sameSample(batch[k], GradientNoise::sample2(xs[k], ys[k]))) << "batch, count " << count;
            }
        }
    });
}

// Rows of nearby points, as a picture asks: the lanes of a vector share a
// few cells, across lattice rows and the wrap of the indices at 256, with
// steps from far below a cell to beyond it.
TEST(BatchedNoise, RowsOfNearbyPointsEqualSample2OnEveryTarget)
{
    onEveryTarget([&] {
        for (float step : {0.0007f, 0.01f, 0.13f, 0.37f, 0.8f, 2.9f})
            for (float x0 : {-7.3f, -0.004f, 185.2f, 186.9f, 373.0f, -380.6f, 70000.1f})
                for (float y : {-1.0f, -0.0001f, 0.0f, 0.49f, 67.3f, 187.4f, -188.05f, 3000.7f}) {
                    std::vector<float> xs, out(203);
                    for (int k = 0; k < 203; ++k) xs.push_back(x0 + step * static_cast<float>(k));
                    GradientNoise::sample2Row(xs.data(), y, 203, out.data());
                    for (int k = 0; k < 203; ++k)
                        if (!sameSample(out[k], GradientNoise::sample2(xs[k], y))) {
                            ADD_FAILURE() << "at (" << xs[k] << ", " << y << "): " << out[k] << " instead of "
                                          << GradientNoise::sample2(xs[k], y);
                            return;
                        }
                }
    });
}

// ---------------------------------------------------------------- layers

// A layer type without a row evaluation of its own, with values well outside
// [0, 1] and NaN here and there: it takes the default row path and drives
// variables beyond their ranges.
class WildLayer : public Renderable {
public:
    WildLayer() : Renderable(99) {}
    void createVariables() override
    {
        variables[0].init(this, "Any", 0.5f, 1.0f, -1.0f);
        variableCount = 1;
    }
    float valueAt(int x, int y) const override
    {
        if ((7LL * x + 3LL * y) % 29 == 0) return nan;
        const float v = std::sin(0.37f * static_cast<float>(x) + 0.11f * static_cast<float>(y)) * 1.5f + 0.25f;
        return v + variables[0].getValueAt(x, y) * 0.001f;
    }
};

// Builds random compositions: every type, views from the origin to the view
// limits, random and extreme variable values, ranges and inverse switches.
class CompositionMaker {
public:
    // seeded: every layer gets its own seed, 0 a third of the time.
    explicit CompositionMaker(unsigned seed, bool seeded = false) : random(seed), seeded(seeded) {}

    // type: the top layer's, or any when negative.
    std::unique_ptr<Renderable> make(int depth, int type = -1)
    {
        return std::unique_ptr<Renderable>(layer(depth, type));
    }

    // A Warp whose inputs are compositions of at most depth levels, or,
    // down to warps levels, Warps made the same way.
    std::unique_ptr<Renderable> makeWarped(int warps, int depth) { return std::unique_ptr<Renderable>(warped(warps, depth)); }

    // The types picked at random: the first this many, and the wild one.
    int types = LayerTypeTable::count;

private:
    float uniform(float a, float b) { return std::uniform_real_distribution<float>(a, b)(random); }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

    void randomView(Renderable& l)
    {
        const float centres[] = {0.0f, uniform(-30, 30), uniform(-1e5f, 1e5f), 1e5f, -1e5f, 12345.678f};
        const float extents[] = {20.0f, 0.1f, 1e6f, std::pow(10.0f, uniform(-1, 6)), uniform(0.1f, 50)};
        // Drawn one by one, last first: arguments are evaluated in an order
        // of the compiler's choosing, and the compositions (and the digest
        // below) must be the same whichever compiler builds the tests.
        const float zoomy = extents[pick(5)];
        const float zoomx = extents[pick(5)];
        const float y = centres[pick(6)];
        const float x = centres[pick(6)];
        l.setView(x, y, zoomx, zoomy);
    }

    void randomValue(LayerVariable& v)
    {
        const float extremes[] = {nan, inf, -inf, 1e30f, -1e30f, 0.0f, -0.0f, 1.0f, -7.5f, 3e9f};
        switch (pick(6)) {
        case 0: v.overrideValue = extremes[pick(10)]; break;   // as a scene file may hold it
        case 1: v.minValue = extremes[pick(10)]; break;          // so driven values leave the range
        case 2: v.maxValue = uniform(-20, 20); break;
        default: v.setValue(uniform(v.minValue, v.maxValue)); break;
        }
    }

    Renderable* layer(int depth, int type = -1)
    {
        Renderable* l = nullptr;
        const int kind = type >= 0 ? type : pick(types + 1);
        if (type >= 0 || kind < types) {
            l = createLayer(kind);
        } else {
            l = new WildLayer;
            l->setup();
        }
        randomView(*l);
        if (seeded && pick(3)) l->seed = static_cast<std::uint32_t>(random());
        l->inverse = pick(2) == 1;
        for (int i = 0; i < l->variableCount; ++i) {
            randomValue(l->variables[i]);
            if (depth > 1 && pick(3) > 0) {
                Renderable* input = layer(depth - 1);
                l->attachInput(i, input);
                if (pick(2)) randomView(*input);   // inputs may show other sections
            }
        }
        return l;
    }

    Renderable* warped(int warps, int depth)
    {
        Renderable* warp = layer(1, warpType);
        for (int i = 0; i < warp->variableCount; ++i)
            if (pick(4) > 0) {
                Renderable* input = warps > 1 && pick(2) ? warped(warps - 1, depth) : layer(depth);
                warp->attachInput(i, input);
                if (pick(2)) randomView(*input);
            }
        return warp;
    }

    static constexpr int warpType = 6;
    std::mt19937 random;
    bool seeded;
};

std::string firstDifference(const std::vector<std::uint8_t>& fast, const std::vector<std::uint8_t>& reference,
                            int width)
{
    if (fast.size() != reference.size()) return "sizes differ";
    for (std::size_t k = 0; k < fast.size(); ++k)
        if (fast[k] != reference[k]) {
            std::ostringstream s;
            s << "pixel (" << k % width << ", " << k / width << "): " << int(fast[k]) << " instead of "
              << int(reference[k]);
            return s.str();
        }
    return {};
}

class FastPath : public ::testing::Test {
protected:
    // Renders a fresh random composition per seed both ways and compares;
    // seeded: its layers have seeds too.
    void compareCompositions(int width, int height, unsigned firstSeed, int count, bool seamless = false,
                             bool seeded = false)
    {
        controls.setViewportSize(width, height);
        for (unsigned seed = firstSeed; seed < firstSeed + count; ++seed) {
            std::unique_ptr<Renderable> top = CompositionMaker(seed, seeded).make(4);
            treewalk::forEach(top.get(), [this](const Renderable& l, int) { typesSeen.insert(l.typeId); });
            applySeamless(*top, seamless);
            top->fillPixelsReference();
            const std::vector<std::uint8_t> reference = top->pixels;
            top->fillPixels();
            const std::string difference = firstDifference(top->pixels, reference, width);
            ASSERT_EQ(difference, "") << "composition " << seed << " at " << width << " x " << height;
        }
    }

    LayerControls controls;
    std::set<int> typesSeen;   // of every composition compared
};

TEST_F(FastPath, RandomCompositionsOnOddSizesGiveTheSameBytesOnEveryTarget)
{
    onEveryTarget([&] {
        compareCompositions(1, 1, 1, 150);
        compareCompositions(7, 3, 1000, 150);
        compareCompositions(401, 13, 2000, 60);
    });
    for (int type = 0; type < LayerTypeTable::count; ++type)
        EXPECT_TRUE(typesSeen.count(type)) << "no " << LayerTypeTable::names[type] << " took part";
}

TEST_F(FastPath, SeamlessRandomCompositionsGiveTheSameBytesOnEveryTarget)
{
    onEveryTarget([&] { compareCompositions(7, 3, 5000, 100, true), compareCompositions(401, 13, 6000, 40, true); });
}

// Seeded, flat and seamless: with each seed's derived tables, then with the
// cache filled to its bound, where the lanes gather from the permutation.
TEST_F(FastPath, SeededRandomCompositionsGiveTheSameBytesOnEveryTarget)
{
    const auto compare = [&] {
        compareCompositions(7, 3, 7000, 40, false, true);
        compareCompositions(401, 13, 7100, 12, false, true);
        compareCompositions(401, 13, 7200, 12, true, true);
    };
    onEveryTarget(compare);
    std::vector<std::shared_ptr<const seedtables::TableSet>> filling;
    for (std::uint32_t s = 4000000000u; seedtables::bytesHeld() + seedtables::derivedBytes() <= seedtables::cacheBound;)
        filling.push_back(seedtables::acquire(s++));
    ASSERT_FALSE(seedtables::acquire(123)->derived());
    onEveryTarget(compare);
}

// Large enough to be shared among the workers, and wider than one chunk.
TEST_F(FastPath, RandomCompositionsSharedAmongThreadsGiveTheSameBytesOnEveryTarget)
{
    onEveryTarget([&] { compareCompositions(300, 70, 3000, 12); });
}

// Every area the row loop takes (a pixel step, rows upward or downward, the
// pool or the calling thread alone) gives each pixel's own plain value, flat
// or seamless.
TEST_F(FastPath, RowLoopAreasGiveThePlainValueOfEachPixel)
{
    controls.setViewportSize(300, 130);
    std::mt19937 random(77);
    for (unsigned seed = 4000; seed < 4024; ++seed) {
        const std::unique_ptr<Renderable> top = CompositionMaker(seed).make(3);
        applySeamless(*top, seed >= 4012);
        rowloop::Area area = rowloop::wholeTexture(*top, 1 + static_cast<int>(random() % 5));
        if (seed % 3 == 0) area = {static_cast<int>(random() % 40), 129 - static_cast<int>(random() % 9), 260, 120, 1, true};
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(area.columns) * area.rows);
        rowloop::GreyBytes sink(bytes.data(), area.columns);
        rowloop::Options options;
        options.threads = seed % 2 ? rowloop::Threads::pool : rowloop::Threads::caller;
        ASSERT_TRUE(rowloop::evaluate(*top, area, sink, options));
        for (int r = 0; r < area.rows; ++r)
            for (int c = 0; c < area.columns; ++c) {
                const int y = area.downward ? area.y0 - area.step * r : area.y0 + area.step * r;
                ASSERT_EQ(bytes[static_cast<std::size_t>(r) * area.columns + c],
                          greyByte(top->pixelValue(area.x0 + area.step * c, y)))
                    << "composition " << seed << ", step " << area.step << ", pixel (" << c << ", " << r << ")";
            }
    }
}

// Seamless Cells with seeds, in rows wider than one chunk at pixel steps of
// 1 to 3, on views whose cells wrap within a row (one cell across, a few,
// 256, a million): each pixel's own plain value, bit for bit.
TEST_F(FastPath, SeamlessCellsRowsGiveThePlainValueOfEachPixelOnEveryTarget)
{
    controls.setViewportSize(800, 5);
    const float extents[] = {0.1f, 1.0f, 2.6f, 3.4f, 20.0f, 256.0f, 300.7f, 1e6f};
    onEveryTarget([&] {
        for (unsigned seed = 8000; seed < 8032; ++seed) {
            const std::unique_ptr<Renderable> top = CompositionMaker(seed, true).make(1 + seed % 3, 4);
            top->setView(top->x, top->y, extents[seed % 8], extents[seed / 4 % 8]);
            applySeamless(*top, true);
            const int step = 1 + seed % 3, count = 800 / step;
            std::vector<float> row(count);
            for (int y = 0; y < 5; y += step) {
                top->pixelRow(y, 0, count, row.data(), step);
                for (int c = 0; c < count; ++c)
                    ASSERT_TRUE(sameSample(row[c], top->pixelValue(step * c, y)))
                        << "composition " << seed << ", step " << step << ", pixel (" << c << ", " << y << ")";
            }
        }
    });
}

TEST_F(FastPath, EachTypeAtItsDefaultsGivesTheSameBytesOnEveryTarget)
{
    controls.setViewportSize(400, 470);
    onEveryTarget([&] {
        for (int type = 0; type < LayerTypeTable::count; ++type)
            for (bool inverse : {false, true}) {
                std::unique_ptr<Renderable> layer(createLayer(type));
                layer->inverse = inverse;
                layer->fillPixelsReference();
                const std::vector<std::uint8_t> reference = layer->pixels;
                layer->fillPixels();
                EXPECT_EQ(firstDifference(layer->pixels, reference, 400), "") << "type " << type;
            }
    });
}

// A chain as deep as the scene reader admits recurses once per layer, also on
// the worker threads: pixel by pixel where a variable is read at another
// pixel (Squares), a row at a time elsewhere (Noise, and Circles reading a
// short stretch of its input's row). The plain evaluation is checked on a
// sample of pixels, which keeps the test short.
TEST_F(FastPath, ChainsAsDeepAsAScenePermitsRenderOnEveryThread)
{
    controls.setViewportSize(128, 128);
    const int mixed[] = {0, 1, 2};
    const int rowsAllTheWay[] = {0, 2};
    for (const auto& types : {std::vector<int>(mixed, mixed + 3), std::vector<int>(rowsAllTheWay, rowsAllTheWay + 2)}) {
        std::unique_ptr<Renderable> top(createLayer(0));
        Renderable* bottom = createLayer(2);
        top->attachInput(0, bottom);
        for (int depth = 2; depth < 1330; ++depth) {
            Renderable* input = createLayer(types[depth % types.size()]);
            bottom->attachInput(0, input);
            bottom = input;
        }
        top->fillPixels();
        for (int k = 0; k < 128 * 128; k += 37) {
            const int i = k % 128, j = k / 128;
            ASSERT_EQ(top->pixels[k], greyByte(top->pixelValue(i, j))) << "pixel (" << i << ", " << j << ")";
        }
    }
}

// ---------------------------------------------------------------- points

// Points anywhere: in and around the texture, whole or not, far, at the
// Warp's limit, and not numbers at all.
void randomPoints(std::mt19937& random, int count, std::vector<float>& xs, std::vector<float>& ys)
{
    const float special[] = {0.0f, -0.0f, 0.5f, -0.5f, 16777215.0f, -16777216.0f, 3e9f, -1e5f, inf, nan};
    std::uniform_real_distribution<float> near(-20.0f, 80.0f), far(-3e7f, 3e7f);
    const auto coordinate = [&]() {
        switch (random() % 8) {
        case 0: return special[random() % 10];
        case 1: return far(random);
        case 2: return std::floor(near(random));
        default: return near(random);
        }
    };
    for (int k = 0; k < count; ++k) {
        xs.push_back(coordinate());
        ys.push_back(coordinate());
    }
}

// The point lanes (pointValues) against the per-point definition
// (pointValue), bit for bit.
std::string pointDifference(const Renderable& top, std::mt19937& random)
{
    std::vector<float> xs, ys;
    randomPoints(random, 300, xs, ys);   // more than one run of lanes
    std::vector<float> values(xs.size());
    top.pointValues(xs.data(), ys.data(), static_cast<int>(xs.size()), values.data());
    for (std::size_t k = 0; k < xs.size(); ++k)
        if (!sameSample(values[k], top.pointValue(xs[k], ys[k]))) {
            std::ostringstream s;
            s << "at (" << xs[k] << ", " << ys[k] << "): " << values[k] << " instead of " << top.pointValue(xs[k], ys[k]);
            return s.str();
        }
    return {};
}

// Warps nested up to three deep over compositions of every type, flat and
// seamless: their rows (the Sources read on point lanes) give the bytes of
// the per-point definition, and so do points anywhere, on every target.
TEST_F(FastPath, NestedWarpsAndPointsGiveTheDefinitionOnEveryTarget)
{
    controls.setViewportSize(61, 23);
    onEveryTarget([&] {
        std::mt19937 random(5);
        for (unsigned seed = 9000; seed < 9060; ++seed) {
            CompositionMaker maker(seed, seed % 2 == 0);
            std::unique_ptr<Renderable> top = seed % 3 ? maker.makeWarped(3, 3) : maker.make(4);
            applySeamless(*top, seed % 4 == 1);
            top->fillPixelsReference();
            const std::vector<std::uint8_t> reference = top->pixels;
            top->fillPixels();
            ASSERT_EQ(firstDifference(top->pixels, reference, 61), "") << "composition " << seed;
            ASSERT_EQ(pointDifference(*top, random), "") << "composition " << seed;
        }
    });
}

// At whole numbers the point evaluation of the six types before the Warp is
// what a row of pixels gives, on and around the texture, flat and seamless,
// per point and on the lanes. Rows of pixels give today's values: the
// digest of the pixels of these compositions is the one they had before
// points.
TEST_F(FastPath, WholeNumberPointsGiveTodaysValuesOnEveryTarget)
{
    // The rows' digest (FNV-1a of their bits, NaN as one) from the build
    // before points.
    constexpr std::uint64_t todaysDigest = 10411630567479309247ull;
    controls.setViewportSize(300, 7);
    std::uint64_t digest = 14695981039346656037ull;
    onEveryTarget([&] {
        digest = 14695981039346656037ull;
        for (unsigned seed = 300; seed < 360; ++seed) {
            CompositionMaker maker(seed, seed % 2 == 0);
            maker.types = 6;
            const std::unique_ptr<Renderable> top = maker.make(4);
            applySeamless(*top, seed % 3 == 0);
            for (int y : {-7, 0, 3, 6, 11, 40000}) {
                const int x0 = y * 3 - 20, count = 300, step = 1 + static_cast<int>(seed % 3);
                std::vector<float> row(count), xs(count), ys(count, static_cast<float>(y)), points(count);
                top->pixelRow(y, x0, count, row.data(), step);
                for (int k = 0; k < count; ++k) xs[k] = static_cast<float>(x0 + k * step);
                top->pointValues(xs.data(), ys.data(), count, points.data());
                for (int k = 0; k < count; ++k) {
                    ASSERT_TRUE(sameSample(points[k], row[k]) && sameSample(top->pointValue(xs[k], ys[k]), row[k]))
                        << "composition " << seed << " at (" << xs[k] << ", " << y << "): row " << row[k]
                        << ", lanes " << points[k] << ", point " << top->pointValue(xs[k], ys[k]);
                    digest = (digest ^ (std::isnan(row[k]) ? 0x7fc00000u : bitsOf(row[k]))) * 1099511628211ull;
                }
            }
        }
        EXPECT_EQ(digest, todaysDigest);
    });
}

// ---------------------------------------------------------------- pool

TEST(WorkerPoolTest, RunsEveryTaskExactlyOnceAcrossRuns)
{
    WorkerPool pool(3);
    for (int run = 0; run < 200; ++run) {
        const int count = run % 7 == 0 ? 1 : 37 + run;
        std::vector<std::atomic<int>> hits(count);
        pool.run(count, [](void* context, int i) { ++(*static_cast<std::vector<std::atomic<int>>*>(context))[i]; },
                 &hits);
        for (int i = 0; i < count; ++i) ASSERT_EQ(hits[i].load(), 1) << "run " << run << ", task " << i;
    }
}

// A task that itself asks the pool to run tasks gets them on its own thread,
// rather than waiting for the run it is part of.
TEST(WorkerPoolTest, NestedRunsComplete)
{
    WorkerPool pool(2);
    struct Context {
        WorkerPool* pool;
        std::atomic<int> inner{0};
    } context{&pool};
    pool.run(8, [](void* c, int) {
        auto* ctx = static_cast<Context*>(c);
        ctx->pool->run(5, [](void* inner, int) { ++*static_cast<std::atomic<int>*>(inner); }, &ctx->inner);
    }, &context);
    EXPECT_EQ(context.inner.load(), 40);
}

} // namespace
