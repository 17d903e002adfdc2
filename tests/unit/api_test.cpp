// The library's interface (api/patternlens/patternlens.h) on random scenes.
// patternlens-render writes through it: its end-to-end tests check every
// file option.
#include "api/patternlens/patternlens.h"

#include "layers/composition.h"
#include "persistence/scenefile.h"
#include "tests/support/failingwrites.h"
#include "tests/support/noisechain.h"
#include "tests/support/testfiles.h"
#include "tests/unit/randomcomposition.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <pthread.h>
#include <sys/stat.h>

namespace {

using patternlens::Error;
using patternlens::Samples;
using testfiles::readFile;

// The text of a random scene, its numbers exact, seamless or not.
std::string randomSceneText(unsigned seed)
{
    RandomComposition random(seed);
    std::unique_ptr<Renderable> base(random.make(2));
    SceneSettings settings;
    settings.seamless = random.pick(0, 1) == 1;
    Renderable* layers = base.get();
    return scenefile::text(&layers, 1, settings, layerxml::Numbers::exact);
}

// frame rendered as samples of type T, rows stride samples apart, as bytes.
template <typename T>
std::string render(const patternlens::Scene& scene, const patternlens::Frame& frame, Samples samples, long long stride = 0)
{
    stride = std::max(stride, frame.columns());
    std::vector<T> out(static_cast<std::size_t>(stride * frame.rows()));
    scene.render(frame, samples, out.data(), static_cast<std::size_t>(stride) * sizeof(T));
    std::string bytes;
    for (long long r = 0; r < frame.rows(); ++r)
        bytes.append(reinterpret_cast<const char*>(&out[r * stride]), frame.columns() * sizeof(T));
    return bytes;
}

std::string tiffRows(const std::string& path)
{
    std::string rows;
    TIFF* tiff = TIFFOpen(path.c_str(), "r");   // the rows as stored: floats in the machine's order
    std::uint32_t height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    std::string row(static_cast<std::size_t>(TIFFScanlineSize(tiff)), '\0');
    for (std::uint32_t r = 0; r < height && TIFFReadScanline(tiff, row.data(), r) >= 0; ++r) rows += row;
    TIFFClose(tiff);
    return rows;
}

TEST(Api, MemoryHoldsTheFilesBytesAndARegionIsTheCropOfTheWhole)
{
    testfiles::TempFolder folder;
    std::mt19937 rng(35);
    const auto pick = [&rng](long long lo, long long hi) { return std::uniform_int_distribution<long long>(lo, hi)(rng); };
    for (unsigned seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE(seed);
        const patternlens::Scene scene = patternlens::Scene::parse(randomSceneText(seed));
        patternlens::Frame frame;
        frame.width = pick(1, 50);
        frame.height = pick(1, 50);
        frame.seed = static_cast<std::uint32_t>(pick(0, 4294967295));
        frame.seamless = seed % 3 == 0 ? patternlens::Seamless::on : patternlens::Seamless::keep;
        const std::size_t pixels = static_cast<std::size_t>(frame.width * frame.height);

        scene.writeFile(folder / "grey.pgm", frame);
        const std::string grey = readFile(folder / "grey.pgm");   // the samples after the header
        EXPECT_EQ(render<std::uint8_t>(scene, frame, Samples::uint8), grey.substr(grey.size() - pixels));
        patternlens::FileOptions deep;
        deep.depth = 16;
        scene.writeFile(folder / "deep.pgm", frame, deep);
        std::string samples = render<std::uint16_t>(scene, frame, Samples::uint16);
        for (std::size_t k = 0; k < samples.size(); k += 2) std::swap(samples[k], samples[k + 1]);   // big-endian in the file
        const std::string file = readFile(folder / "deep.pgm");
        EXPECT_EQ(samples, file.substr(file.size() - 2 * pixels));
        scene.writeFile(folder / "values.tif", frame);
        const std::string whole = render<float>(scene, frame, Samples::float32);
        EXPECT_EQ(whole, tiffRows(folder / "values.tif"));

        // A region into rows longer than its own.
        patternlens::Region& region = frame.region;
        region.width = static_cast<int>(pick(1, frame.width));
        region.height = static_cast<int>(pick(1, frame.height));
        region.x = static_cast<int>(pick(0, frame.width - region.width));
        region.y = static_cast<int>(pick(0, frame.height - region.height));
        std::string crop;
        for (int r = region.y; r < region.y + region.height; ++r)
            crop += whole.substr(4 * (r * frame.width + region.x), 4 * region.width);
        EXPECT_EQ(render<float>(scene, frame, Samples::float32, region.width + pick(0, 3)), crop);
    }
}

// The kind of what f throws, and its message in *message.
template <typename F>
Error::Kind kindOf(F f, std::string* message = nullptr)
{
    try {
        f();
    } catch (const Error& e) {
        if (message) *message = e.what();
        return e.kind();
    }
    ADD_FAILURE() << "nothing was thrown";
    return Error::Kind::system;
}

TEST(Api, RefusalsAndCancelsCarryTheirReasonAndKindAndWriteNothing)
{
    testfiles::TempFolder folder;
    std::string message;
    for (const std::string& path : {folder / "missing.xml", folder.path()}) {
        EXPECT_EQ(kindOf([&] { patternlens::Scene::load(path); }, &message), Error::Kind::scene);
        EXPECT_EQ(message, path + ": " + scenefile::read(path).error);
    }
    EXPECT_EQ(kindOf([] { patternlens::Scene::parse("<Patternlens><Layers>"); }, &message), Error::Kind::scene);
    EXPECT_EQ(message, scenefile::parse("<Patternlens><Layers>").error);

    const patternlens::Scene scene = patternlens::Scene::parse(randomSceneText(3));
    std::vector<float> out(64);
    patternlens::Frame frame;
    const auto everyWay = [&](Error::Kind kind, const std::string& name = "refused.png",
                              const patternlens::FileOptions& options = {}) {
        EXPECT_EQ(kindOf([&] { scene.writeFile(folder / name, frame, options); }, &message), kind) << name;
        EXPECT_FALSE(testfiles::exists(folder / name));
        if (name != "refused.png") return;
        EXPECT_EQ(kindOf([&] { scene.check(frame); }), kind);
        EXPECT_EQ(kindOf([&] { scene.render(frame, Samples::float32, out.data(), 16); }), kind);
    };
    frame.width = patternlens::maxSide + 1;
    everyWay(Error::Kind::size);
    frame.width = frame.height = 4;
    frame.region = {2, 2, 3, 1};
    everyWay(Error::Kind::region);
    frame.region = {};
    frame.layer = "Nowhere";
    everyWay(Error::Kind::layer);
    EXPECT_EQ(message.rfind("layer 'Nowhere': ", 0), 0u) << message;

    frame.layer.clear();
    everyWay(Error::Kind::options, "picture.jpg");
    patternlens::FileOptions options;
    options.picture = patternlens::Picture::colourRamp;
    options.ramp = "0:#000000";
    everyWay(Error::Kind::options, "ramp.png", options);
    EXPECT_EQ(message, patternlens::rampError(options.ramp));
    options.ramp = "terrain";
    everyWay(Error::Kind::options, "ramp.pgm", options);
    EXPECT_EQ(kindOf([&] { scene.render(frame, Samples::float32, out.data(), 15); }), Error::Kind::options);

    // A cancel keeps the earlier file.
    const std::atomic<bool> stopped{true};
    EXPECT_EQ(kindOf([&] { scene.render(frame, Samples::float32, out.data(), 16, &stopped); }), Error::Kind::cancelled);
    testfiles::writeFile(folder / "kept.png", "earlier");
    options = {};
    options.progress = [](long long, long long) { return false; };
    EXPECT_EQ(kindOf([&] { scene.writeFile(folder / "kept.png", frame, options); }), Error::Kind::cancelled);
    options.progress = nullptr;
    options.stop = &stopped;
    EXPECT_EQ(kindOf([&] { scene.writeFile(folder / "kept.png", frame, options); }), Error::Kind::cancelled);
    EXPECT_EQ(readFile(folder / "kept.png"), "earlier");
}

// Every file the library writes (for the renderer, the viewer's export and
// C++ programs alike), on a disk that fills up part way, into a folder that
// cannot be written, and cancelled after its rows: each fails with the
// system's reason or as cancelled, the earlier file kept and nothing else
// left beside it.
TEST(Api, EveryOutputSurvivesAFullDiskAReadOnlyFolderAndACancel)
{
    testfiles::TempFolder folder;
    ASSERT_EQ(mkdir((folder / "out").c_str(), 0755), 0);
    const patternlens::Scene scene = patternlens::Scene::parse(
        "<Patternlens><Layers><Layer TypeID=\"0\" x=\"0\" y=\"0\" zoomx=\"40\" zoomy=\"40\" /></Layers></Patternlens>");
    patternlens::Frame frame;
    frame.width = 700;
    frame.height = 600;
    using patternlens::Picture;
    for (const auto& [name, depth, picture] :
         {std::tuple{"a.png", 8, Picture::grey}, {"a.png", 16, Picture::grey}, {"a.pgm", 8, Picture::grey},
          {"a.pgm", 16, Picture::grey}, {"a.exr", 0, Picture::grey}, {"a.exr", 16, Picture::grey},
          {"a.tif", 0, Picture::grey}, {"a.tif", 16, Picture::grey}, {"a.tif", 8, Picture::grey},
          {"a.png", 8, Picture::normalMap}, {"a.png", 16, Picture::normalMap}, {"a.png", 8, Picture::colourRamp},
          {"a.png", 16, Picture::colourRamp}}) {
        patternlens::FileOptions options;
        options.depth = depth;
        options.picture = picture;
        options.ramp = "terrain";
        const std::string path = folder / "out/" + name, what = path + " " + std::to_string(depth);
        testfiles::writeFile(path, "earlier");
        std::string message;
        {
            failingwrites::FullDisk full(32 << 10);
            EXPECT_EQ(kindOf([&] { scene.writeFile(path, frame, options); }, &message), Error::Kind::io) << what;
            EXPECT_EQ(message, std::strerror(EFBIG)) << what;
        }
        {
            failingwrites::ReadOnlyFolder readOnly(folder / "out");
            if (readOnly.holds()) {
                EXPECT_EQ(kindOf([&] { scene.writeFile(path, frame, options); }, &message), Error::Kind::io) << what;
                EXPECT_EQ(message, std::strerror(EACCES)) << what;
            }
        }
        options.progress = [](long long, long long) { return false; };
        EXPECT_EQ(kindOf([&] { scene.writeFile(path, frame, options); }), Error::Kind::cancelled) << what;
        EXPECT_EQ(readFile(path), "earlier") << what;
        EXPECT_EQ(testfiles::entries(folder / "out"), 1) << what;
        std::remove(path.c_str());
    }
}

// The deepest scene the reader takes, read, copied, rendered and destroyed
// by a thread whose own stack would not hold one walk of its tree.
TEST(Api, ADeepSceneNeedsNoDeepStackOfItsCaller)
{
    std::unique_ptr<Renderable> chain = noiseChain(patternlens::maxChainLayers);
    Renderable* base = chain.get();
    static std::string text, failure;
    text = scenefile::text(&base, 1);
    failure = "not run";
    const auto run = [](void*) -> void* {
        try {
            const patternlens::Scene scene = patternlens::Scene::parse(text);
            const patternlens::Scene copy = scene;
            patternlens::Frame frame;
            frame.width = frame.height = 8;
            render<float>(copy, frame, Samples::float32);
            failure.clear();
        } catch (const std::exception& e) {
            failure = e.what();
        }
        return nullptr;
    };
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 128 * 1024);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attributes, run, nullptr), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    EXPECT_EQ(failure, "");
}

} // namespace
