// The library's interface over the engine: a Scene is a Composition; every
// render prepares a copy of it with the render request patternlens-render
// and the Python module share, and hands it to the image writer. Work that
// walks a tree (reading, copying, rendering, destroying) runs on a thread
// with the deep stack a deep tree needs, so a caller's own stack never
// matters.
#include "api/patternlens/patternlens.h"
#include "api/sceneaccess.h"

#include "imageoutput/imageencoder.h"
#include "imageoutput/imagerender.h"
#include "imageoutput/renderrequest.h"
#include "layers/colourramp.h"
#include "layers/composition.h"
#include "layers/drawingarea.h"
#include "layers/layerpath.h"
#include "layers/normalmap.h"
#include "layers/renderable.h"
#include "layers/workerpool.h"
#include "persistence/scenefile.h"
#include "persistence/scenelimits.h"
#include "shaders/glslsource.h"

#include <cmath>

namespace patternlens {

// The header states these for users who cannot see the engine's headers.
static_assert(maxSide == imagewriter::ImageEncoder::maxSide, "the longest side");
static_assert(defaultWidth == drawingarea::startWidth && defaultHeight == drawingarea::startHeight,
              "the default size is the drawing area's");
static_assert(maxSceneBytes == scenelimits::maxSceneBytes && maxChainLayers == scenelimits::maxChainLayers,
              "the reader's limits");

namespace {

void onDeepStack(const std::function<void()>& work)
{
    if (!WorkerPool::runOnDeepStack(work)) throw Error(Error::Kind::system, "no thread could be started for the render");
}

bool wholeImage(const Region& region)
{
    return region.x == 0 && region.y == 0 && region.width == 0 && region.height == 0;
}

imagewriter::Region regionOf(const Region& region)
{
    return {region.x, region.y, region.width, region.height};
}

renderrequest::Request requestOf(const Frame& frame)
{
    renderrequest::Request request;
    request.width = frame.width;
    request.height = frame.height;
    request.layerPath = frame.layer;
    request.region = regionOf(frame.region);
    request.seamless = frame.seamless == Seamless::on    ? renderrequest::Override::on
                       : frame.seamless == Seamless::off ? renderrequest::Override::off
                                                         : renderrequest::Override::keep;
    request.seed = frame.seed;
    request.keepAspect = frame.aspect == Aspect::keep;
    return request;
}

Error layerError(const Frame& frame, const std::string& reason)
{
    return Error(Error::Kind::layer, "layer '" + frame.layer + "': " + reason);
}

// Gives composition frame's settings and size and returns the layer to
// render; throws on a fault.
const Renderable& prepare(Composition& composition, const Frame& frame)
{
    const renderrequest::Prepared prepared = renderrequest::prepare(composition, requestOf(frame));
    if (prepared.layer) return *prepared.layer;
    if (prepared.fault == renderrequest::Fault::size) throw Error(Error::Kind::size, prepared.error);
    if (prepared.fault == renderrequest::Fault::region) throw Error(Error::Kind::region, prepared.error);
    throw layerError(frame, prepared.error);
}

// The image writer's options for options in format, or Error (options).
imagewriter::RenderOptions renderOptions(imagewriter::Format format, const FileOptions& options)
{
    imagewriter::RenderOptions render;
    const bool values = (format == imagewriter::Format::Exr || format == imagewriter::Format::Tiff) && options.pack.empty();
    render.depth = options.depth != 0                      ? options.depth
                   : values                                ? 32
                   : format == imagewriter::Format::Raw ? 16
                                                           : 8;
    render.es = options.es;
    if (options.picture == Picture::normalMap) {
        render.view.kind = ViewAs::Kind::normal;
        if (!std::isfinite(options.strength) || std::fabs(options.strength) > normalmap::maxStrength)
            throw Error(Error::Kind::options, "the strength must be a number from -1000000 to 1000000");
        render.view.normal.strength = options.strength;
        render.view.normal.convention = options.convention == NormalConvention::directx
                                            ? normalmap::Convention::directx
                                            : normalmap::Convention::opengl;
    } else if (options.picture == Picture::colourRamp) {
        render.view.kind = ViewAs::Kind::ramp;
        std::string error;
        if (!ColourRamp::parse(options.ramp, &render.view.ramp, &error)) throw Error(Error::Kind::options, error);
    }
    // Packed channels are checked with their layers.
    const std::string error = options.pack.empty() ? imagewriter::optionsError(format, render) : std::string();
    if (!error.empty()) throw Error(Error::Kind::options, error);
    return render;
}

// The channels a pack names in base's tree: "-" 0, "1" full white, "base"
// the base layer, any other a layer path; Error (options or layer) else.
std::vector<imagewriter::Channel> channelsOf(const Renderable& base, const std::vector<std::string>& names)
{
    if (names.size() != 3 && names.size() != 4)
        throw Error(Error::Kind::options, "packed channels are three (RGB) or four (RGBA), not " +
                                              std::to_string(names.size()));
    std::vector<imagewriter::Channel> channels;
    for (const std::string& name : names) {
        imagewriter::Channel channel;
        if (name == "1") {
            channel.white = true;
        } else if (name == "base") {
            channel.layer = &base;
        } else if (name != "-") {
            std::string error;
            channel.layer = layerpath::find(base, name, &error);
            if (!channel.layer) throw Error(Error::Kind::layer, "pack '" + name + "': " + error);
        }
        channels.push_back(channel);
    }
    return channels;
}

imagewriter::Samples writerSamples(Samples samples)
{
    return samples == Samples::uint8    ? imagewriter::Samples::grey8
           : samples == Samples::uint16 ? imagewriter::Samples::uint16
                                        : imagewriter::Samples::float32;
}

std::size_t bytesOf(Samples samples)
{
    return samples == Samples::uint8 ? 1 : samples == Samples::uint16 ? 2 : 4;
}

// frame with its layer left to the pack's channels.
Frame baseFrame(const Frame& frame)
{
    Frame base = frame;
    base.layer.clear();
    return base;
}

} // namespace

bool formatOf(const std::string& path, Format* format)
{
    imagewriter::Format found;
    if (!imagewriter::formatForSuffix(path, &found)) return false;
    switch (found) {
    case imagewriter::Format::Png: *format = Format::png; break;
    case imagewriter::Format::Pgm: *format = Format::pgm; break;
    case imagewriter::Format::Exr: *format = Format::exr; break;
    case imagewriter::Format::Tiff: *format = Format::tiff; break;
    case imagewriter::Format::Raw: *format = Format::raw; break;
    case imagewriter::Format::Glsl: *format = Format::glsl; break;
    case imagewriter::Format::Html: *format = Format::html; break;
    }
    return true;
}

std::string rampError(const std::string& ramp)
{
    ColourRamp parsed;
    std::string error;
    return ColourRamp::parse(ramp, &parsed, &error) ? std::string() : error;
}

std::vector<NamedRamp> namedRamps()
{
    std::vector<NamedRamp> ramps;
    for (const ColourRamp::Named& ramp : ColourRamp::named()) ramps.push_back({ramp.name, ramp.stops});
    return ramps;
}

void checkFrame(const Frame& frame)
{
    std::string error = renderrequest::sizeError(frame.width, frame.height);
    if (!error.empty()) throw Error(Error::Kind::size, error);
    if (wholeImage(frame.region)) return;
    error = imagewriter::regionError(regionOf(frame.region), static_cast<int>(frame.width),
                                     static_cast<int>(frame.height));
    if (!error.empty()) throw Error(Error::Kind::region, error);
}

struct Scene::Data {
    Composition composition;
    std::string warning;
    std::string name;   // the file's, without its folder

    Data() = default;
    Data(const Data& other) : warning(other.warning), name(other.name)
    {
        onDeepStack([&] { composition = other.composition; });
    }
    ~Data()
    {
        if (!composition.tree) return;
        std::unique_ptr<Renderable> tree = std::move(composition.tree);
        if (!WorkerPool::runOnDeepStack([&] { tree.reset(); })) tree.reset();
    }
};

Scene SceneAccess::make(Composition composition, std::string warning, std::string name)
{
    auto data = std::make_unique<Scene::Data>();
    data->composition = std::move(composition);
    data->warning = std::move(warning);
    data->name = std::move(name);
    return Scene(std::move(data));
}

Composition& SceneAccess::composition(Scene& scene)
{
    return scene.data_->composition;
}

const Composition& SceneAccess::composition(const Scene& scene)
{
    return scene.data_->composition;
}

Scene::Scene(std::unique_ptr<Data> data) : data_(std::move(data)) {}
Scene::Scene(const Scene& other) : data_(std::make_unique<Data>(*other.data_)) {}
Scene::Scene(Scene&& other) noexcept = default;
Scene& Scene::operator=(Scene&& other) noexcept = default;
Scene::~Scene() = default;

Scene& Scene::operator=(const Scene& other)
{
    if (this != &other) data_ = std::make_unique<Data>(*other.data_);
    return *this;
}

namespace {

Scene readScene(const std::function<scenefile::ReadResult()>& read, const std::string& prefix)
{
    scenefile::ReadResult result;
    Composition composition;
    onDeepStack([&] {
        result = read();
        if (result.baseLayer) composition = Composition(std::move(result.baseLayer), result.settings);
    });
    if (!composition.tree) throw Error(Error::Kind::scene, prefix + result.error, result.systemError);
    return SceneAccess::make(std::move(composition), result.warning);
}

} // namespace

Scene Scene::load(const std::string& path)
{
    Scene scene = readScene([&path] { return scenefile::read(path); }, path + ": ");
    scene.data_->name = path.substr(path.find_last_of('/') + 1);
    return scene;
}

Scene Scene::parse(const std::string& text)
{
    return readScene([&text] { return scenefile::parse(text); }, "");
}

const std::string& Scene::warning() const
{
    return data_->warning;
}

bool Scene::seamless() const
{
    return data_->composition.settings.seamless;
}

const std::string& Scene::name() const
{
    return data_->name;
}

void Scene::check(const Frame& frame) const
{
    checkFrame(frame);
    const Renderable* tree = data_->composition.tree.get();
    if (!tree) throw layerError(frame, "the composition has no layer");
    std::string error;
    if (!layerpath::find(*tree, frame.layer, &error)) throw layerError(frame, error);
}

void Scene::render(const Frame& frame, Samples samples, void* out, std::size_t rowBytes,
                   const std::atomic<bool>* stop) const
{
    check(frame);
    const std::size_t sampleBytes = bytesOf(samples);
    const auto columns = static_cast<unsigned long long>(frame.columns());
    if (!out) throw Error(Error::Kind::options, "no memory was given for the image");
    if (rowBytes / sampleBytes < columns)
        throw Error(Error::Kind::options, "a row of " + std::to_string(rowBytes) + " bytes cannot hold " +
                                              std::to_string(columns) + " samples of " + std::to_string(sampleBytes) +
                                              (sampleBytes == 1 ? " byte" : " bytes"));
    const imagewriter::Samples kind = writerSamples(samples);
    std::string error;
    onDeepStack([&] {
        Composition copy(data_->composition);
        const Renderable& layer = prepare(copy, frame);
        error = imagewriter::renderToMemory(layer, kind, out, rowBytes, regionOf(frame.region), stop);
    });
    // Checked above, the size and region cannot fail here: only a stop can.
    if (!error.empty()) throw Error(Error::Kind::cancelled, error);
}

void Scene::writeFile(const std::string& path, const Frame& frame, const FileOptions& options) const
{
    imagewriter::Format format;
    if (!imagewriter::formatForSuffix(path, &format))
        throw Error(Error::Kind::options, path + ": the name must end in a suffix that names its format: " +
                                              imagewriter::outputSuffixList());
    imagewriter::RenderOptions render = renderOptions(format, options);
    const bool packed = !options.pack.empty();
    check(packed ? baseFrame(frame) : frame);
    render.region = regionOf(frame.region);
    render.stop = options.stop;
    render.sceneName = data_->name;
    bool refused = false;   // the caller's progress asked to stop
    if (options.progress)
        render.progress = [&options, &refused](long long done, long long total) {
            return !(refused = !options.progress(done, total));
        };
    std::string error;
    bool optionsFault = false;
    onDeepStack([&] {
        Composition copy(data_->composition);
        const Renderable& layer = prepare(copy, packed ? baseFrame(frame) : frame);
        if (!packed) {
            error = imagewriter::renderToFile(layer, path, render);
            return;
        }
        const std::vector<imagewriter::Channel> channels = channelsOf(layer, options.pack);
        error = imagewriter::packError(format, channels, render);
        optionsFault = !error.empty();
        if (!optionsFault) error = imagewriter::renderPackedToFile(channels, path, render);
    });
    if (error.empty()) return;
    if (optionsFault) throw Error(Error::Kind::options, error);
    if (refused || (options.stop && *options.stop)) throw Error(Error::Kind::cancelled, error);
    throw Error(error == "out of memory" ? Error::Kind::system : Error::Kind::io, error);
}

void Scene::renderPacked(const Frame& frame, const std::vector<std::string>& channels, Samples samples, void* out,
                         std::size_t rowBytes, const std::atomic<bool>* stop) const
{
    const Frame base = baseFrame(frame);
    check(base);
    const std::size_t sampleBytes = bytesOf(samples);
    const auto columns = static_cast<unsigned long long>(frame.columns());
    if (!out) throw Error(Error::Kind::options, "no memory was given for the image");
    if (rowBytes / sampleBytes / (channels.size() ? channels.size() : 1) < columns)
        throw Error(Error::Kind::options, "a row of " + std::to_string(rowBytes) + " bytes cannot hold " +
                                              std::to_string(columns) + " pixels of " +
                                              std::to_string(channels.size()) + " channels");
    const imagewriter::Samples kind = writerSamples(samples);
    std::string error;
    onDeepStack([&] {
        Composition copy(data_->composition);
        const Renderable& layer = prepare(copy, base);
        error = imagewriter::renderPackedToMemory(channelsOf(layer, channels), kind, out, rowBytes,
                                                  regionOf(frame.region), stop);
    });
    if (!error.empty()) throw Error(Error::Kind::cancelled, error);
}

std::string Scene::glsl(const Frame& frame, bool es) const
{
    check(frame);
    std::string text;
    onDeepStack([&] {
        Composition copy(data_->composition);
        glslsource::Options options;
        options.es = es;
        options.sceneName = data_->name;
        options.layerPath = frame.layer;
        const Renderable& layer = prepare(copy, frame);
        options.width = layer.textureWidth;
        options.height = layer.textureHeight;
        text = glslsource::source(layer, options);
    });
    return text;
}

} // namespace patternlens
