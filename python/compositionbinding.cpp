#include "compositionbinding.h"

#include "arguments.h"
#include "colourviews.h"

#include "api/patternlens/patternlens.h"
#include "api/sceneaccess.h"
#include "layers/composition.h"
#include "layers/layercompare.h"
#include "layers/renderable.h"
#include "persistence/scenefile.h"
#include "persistence/storedranges.h"

#include <pybind11/numpy.h>

#include <atomic>
#include <functional>
#include <climits>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

namespace py = pybind11;
using namespace arguments;

namespace {

using Node = std::shared_ptr<LayerNode>;

// A scene the reader refused; Python sees patternlens.SceneError.
class SceneFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A scene read: its tree as nodes, its settings, and what a load says of
// it (values outside their ranges, what the reader took leniently), as the
// viewer's load says it.
struct ReadScene {
    Node base;
    SceneSettings settings;
    std::string note;
    std::string name;   // the file's, without its folder; "" for a text
};

// Reads the scene file at path, or text when path is null. SceneError for
// a scene the reader refused, OSError (FileNotFoundError, ...) for a file
// the system could not give.
ReadScene readScene(const std::string& text, const std::string* path)
{
    ReadScene read;
    if (path) read.name = path->substr(path->find_last_of('/') + 1);
    std::string error;
    int systemError = 0;
    offThread([&] {
        try {
            patternlens::Scene scene = path ? patternlens::Scene::load(*path) : patternlens::Scene::parse(text);
            Composition& composition = patternlens::SceneAccess::composition(scene);
            read.note = storedranges::note(composition.tree.get());
            if (!scene.warning().empty()) read.note += (read.note.empty() ? "" : "; ") + scene.warning();
            read.settings = composition.settings;
            read.base = LayerNode::fromTree(std::move(composition.tree));
        } catch (const patternlens::Error& e) {
            if (e.kind() != patternlens::Error::Kind::scene) throw;
            error = e.what();
            systemError = e.systemError();
        }
    });
    if (read.base) return read;
    if (systemError != 0 && path) {
        // OSError(errno, ...) is the subclass the number names.
        const py::object failure = py::module_::import("builtins").attr("OSError")(systemError, std::strerror(systemError), *path);
        PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(failure.ptr())), failure.ptr());
        throw py::error_already_set();
    }
    throw SceneFailure(error);
}

// A composition as Python holds it: the base layer's tree of nodes, which
// c.base hands out live, and the scene's settings. A render (or a text, a
// comparison) first makes the composition the nodes stand for, with the
// GIL held, since other Python threads may change them; the render then
// runs on that copy with the GIL released.
class PyComposition {
public:
    PyComposition(Node base, const SceneSettings& settings) : base_(std::move(base)), settings_(settings)
    {
        base_->setCompositionBase(true);
    }
    ~PyComposition() { base_->setCompositionBase(false); }
    PyComposition(const PyComposition&) = delete;
    PyComposition& operator=(const PyComposition&) = delete;

    // A composition of a copy of node's tree.
    static std::shared_ptr<PyComposition> copyOf(const LayerNode& node, const SceneSettings& settings)
    {
        Node copy;
        offThread([&] { copy = LayerNode::fromTree(node.toTree()); }, false);
        return std::make_shared<PyComposition>(std::move(copy), settings);
    }

    const Node& base() const { return base_; }
    bool seamless() const { return settings_.seamless; }
    void setSeamless(bool on) { settings_.seamless = on; }

    std::string text(layerxml::Numbers numbers) const
    {
        std::string document;
        offThread([&] { document = scenefile::text(made().ref(), numbers); }, false);
        return document;
    }

    void save(const py::object& name) const
    {
        const std::string path = pathOf(name);
        std::string error;
        offThread([&] { error = scenefile::write(path, made().ref()); }, false);
        if (!error.empty()) {
            PyErr_SetString(PyExc_OSError, (path + ": " + error).c_str());
            throw py::error_already_set();
        }
    }

    bool equals(const PyComposition& other) const
    {
        if (this == &other) return true;
        bool same = false;
        offThread([&] { same = sameComposition(made().ref(), other.made().ref()); }, false);
        return same;
    }

    py::array render(const py::object& width, const py::object& height, const std::string& layerPath,
                     const py::object& region, const py::object& dtype, const py::object& seamless,
                     const py::object& seed, const std::string& aspect) const;
    py::array renderPacked(const py::object& width, const py::object& height, const py::object& channels,
                           const py::object& region, const py::object& dtype, const py::object& seamless,
                           const py::object& seed, const std::string& aspect) const;
    std::string glsl(bool es, const std::string& layerPath, const py::object& seamless, const py::object& seed) const;
    py::array normalMap(const py::object& width, const py::object& height, double strength,
                        const std::string& convention, const py::object& dtype, const std::string& layerPath,
                        const py::object& seamless, const py::object& seed, const std::string& aspect) const;

    int layerCount() const
    {
        int count = 0;
        std::vector<const LayerNode*> pending{base_.get()};
        while (!pending.empty()) {
            const LayerNode* node = pending.back();
            pending.pop_back();
            ++count;
            for (int i = 0; i < node->layer().variableCount; ++i)
                if (const Node& input = node->input(i)) pending.push_back(input.get());
        }
        return count;
    }

    int baseType() const { return base_->layer().typeId; }
    // The scene file it was loaded from, which a shader's header names.
    void setName(const std::string& name) { name_ = name; }

private:
    // The composition the nodes stand for now, an exact copy; on a deep
    // stack, with the GIL held.
    Composition made() const { return Composition(base_->toTree(), settings_); }
    // The same as a library scene, to render; made with the GIL held.
    patternlens::Scene scene() const
    {
        std::optional<patternlens::Scene> copy;
        offThread([&] { copy.emplace(patternlens::SceneAccess::make(made(), {}, name_)); }, false);
        return std::move(*copy);
    }

    Node base_;
    SceneSettings settings_;
    std::string name_;
};

patternlens::Samples samplesOf(const py::object& dtype, py::dtype* chosen)
{
    const std::string allowed = "dtype must be 'uint8', 'uint16' or 'float32'";
    py::dtype d;
    try {
        if (dtype.is_none()) throw py::type_error("");
        d = py::dtype::from_args(dtype);
    } catch (const py::error_already_set&) {
        throw py::type_error(allowed + ", not " + std::string(py::repr(dtype)));
    } catch (const py::type_error&) {
        throw py::type_error(allowed + ", not " + std::string(py::repr(dtype)));
    }
    *chosen = d;
    if (d.is(py::dtype::of<std::uint8_t>()) || d.equal(py::dtype::of<std::uint8_t>())) return patternlens::Samples::uint8;
    if (d.equal(py::dtype::of<std::uint16_t>())) return patternlens::Samples::uint16;
    if (d.equal(py::dtype::of<float>())) return patternlens::Samples::float32;
    throw py::value_error(allowed + ", not " + std::string(py::str(d.attr("name"))));
}

patternlens::Seamless overrideOf(const py::object& value, const std::string& what)
{
    if (value.is_none()) return patternlens::Seamless::keep;
    const std::string typeName = py::str(value.get_type().attr("__name__"));
    if (!py::isinstance<py::bool_>(value) && typeName != "bool_")
        throw py::type_error(what + " must be True, False or None, not " + typeName);
    return value.cast<bool>() ? patternlens::Seamless::on : patternlens::Seamless::off;
}

patternlens::Region regionOf(const py::object& region)
{
    patternlens::Region r;
    if (region.is_none()) return r;
    if (py::isinstance<py::str>(region) || !py::isinstance<py::sequence>(region) || py::len(region) != 4)
        throw py::type_error("region must be None or (x, y, width, height), four integers");
    const py::sequence s = region.cast<py::sequence>();
    long long v[4];
    for (int k = 0; k < 4; ++k) v[k] = wholeNumber(s[k], "each number of region");
    if (v[2] < 1 || v[3] < 1) throw py::value_error("the region is empty: its width and height must be at least 1");
    for (long long n : v)
        if (n < 0 || n > INT_MAX)
            throw py::value_error("the region " + std::to_string(v[0]) + "," + std::to_string(v[1]) + "," +
                                  std::to_string(v[2]) + "," + std::to_string(v[3]) + " lies outside the image");
    r = {static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]), static_cast<int>(v[3])};
    return r;
}

// The frame of a render's arguments, every one checked before any work.
patternlens::Frame frameOf(const py::object& width, const py::object& height, const std::string& layerPath,
                           const py::object& region, const py::object& seamless, const py::object& seed,
                           const std::string& aspect)
{
    patternlens::Frame frame;
    frame.width = wholeNumber(width, "width");
    frame.height = wholeNumber(height, "height");
    frame.layer = layerPath;
    frame.region = regionOf(region);
    frame.seamless = overrideOf(seamless, "seamless");
    frame.seed = seedOf(seed, "seed");
    if (aspect != "keep" && aspect != "stretch")
        throw py::value_error("aspect must be 'keep' or 'stretch', not '" + aspect + "'");
    frame.aspect = aspect == "keep" ? patternlens::Aspect::keep : patternlens::Aspect::stretch;
    return frame;
}

// Throws the Python error for a frame that scene cannot render: KeyError
// for a layer path that leads nowhere, ValueError for any other fault.
void check(const patternlens::Scene& scene, const patternlens::Frame& frame)
{
    try {
        scene.check(frame);
    } catch (const patternlens::Error& e) {
        if (e.kind() == patternlens::Error::Kind::layer) throw py::key_error(e.what());
        throw py::value_error(e.what());
    }
}

// Runs render on a deep-stack thread with the GIL released; Ctrl-C (or any
// signal whose handler raises) stops it within a row, and the signal's
// exception is raised in place of a result.
void renderOffThread(const std::function<void(const std::atomic<bool>*)>& render)
{
    std::atomic<bool> stop{false};
    const auto hearSignals = [&stop] {
        py::gil_scoped_acquire gil;
        if (!stop && PyErr_CheckSignals() != 0) stop = true;
    };
    std::string error;
    offThread(
        [&] {
            try {
                render(&stop);
            } catch (const patternlens::Error& e) {
                error = e.what();
            }
        },
        true, hearSignals);
    if (PyErr_Occurred()) throw py::error_already_set();
    if (!error.empty()) throw std::runtime_error(error);
}

py::array PyComposition::render(const py::object& width, const py::object& height, const std::string& layerPath,
                                const py::object& region, const py::object& dtype, const py::object& seamless,
                                const py::object& seed, const std::string& aspect) const
{
    // Every argument is checked before any work: a bad one costs nothing.
    const patternlens::Frame frame = frameOf(width, height, layerPath, region, seamless, seed, aspect);
    py::dtype type;
    const patternlens::Samples samples = samplesOf(dtype, &type);
    try {
        patternlens::checkFrame(frame);
    } catch (const patternlens::Error& e) {
        throw py::value_error(e.what());
    }
    const patternlens::Scene copy = scene();
    check(copy, frame);

    // numpy refuses what it cannot hold (MemoryError, or its ValueError for
    // an array beyond the address space) before any pixel is computed.
    const py::ssize_t rows = frame.rows();
    const py::ssize_t columns = frame.columns();
    py::array image(type, std::vector<py::ssize_t>{rows, columns});
    void* out = image.mutable_data();
    const std::size_t rowBytes = static_cast<std::size_t>(columns) * static_cast<std::size_t>(type.itemsize());
    renderOffThread([&](const std::atomic<bool>* stop) { copy.render(frame, samples, out, rowBytes, stop); });
    return image;
}

py::array PyComposition::renderPacked(const py::object& width, const py::object& height, const py::object& channels,
                                      const py::object& region, const py::object& dtype, const py::object& seamless,
                                      const py::object& seed, const std::string& aspect) const
{
    const patternlens::Frame frame = frameOf(width, height, "", region, seamless, seed, aspect);
    if (py::isinstance<py::str>(channels) || !py::isinstance<py::sequence>(channels))
        throw py::type_error("channels must be a sequence of three or four str: layer paths, \"base\", \"-\" or \"1\"");
    std::vector<std::string> names;
    for (const py::handle& name : channels.cast<py::sequence>()) {
        if (!py::isinstance<py::str>(name))
            throw py::type_error("each channel must be a str, not " + std::string(py::str(name.get_type().attr("__name__"))));
        names.push_back(name.cast<std::string>());
    }
    if (names.size() != 3 && names.size() != 4)
        throw py::value_error("channels must be three (RGB) or four (RGBA), not " + std::to_string(names.size()));
    py::dtype type;
    const patternlens::Samples samples = samplesOf(dtype, &type);
    const patternlens::Scene copy = scene();
    check(copy, frame);
    // A channel that leads nowhere is told before the array is made.
    for (const std::string& name : names) {
        if (name == "-" || name == "1" || name == "base") continue;
        patternlens::Frame probe = frame;
        probe.layer = name;
        check(copy, probe);
    }
    const py::ssize_t rows = frame.rows();
    const py::ssize_t columns = frame.columns();
    const auto depth = static_cast<py::ssize_t>(names.size());
    py::array image(type, std::vector<py::ssize_t>{rows, columns, depth});
    void* out = image.mutable_data();
    const std::size_t rowBytes =
        static_cast<std::size_t>(columns) * static_cast<std::size_t>(depth) * static_cast<std::size_t>(type.itemsize());
    renderOffThread([&](const std::atomic<bool>* stop) { copy.renderPacked(frame, names, samples, out, rowBytes, stop); });
    return image;
}

std::string PyComposition::glsl(bool es, const std::string& layerPath, const py::object& seamless,
                                const py::object& seed) const
{
    patternlens::Frame frame;
    frame.layer = layerPath;
    frame.seamless = overrideOf(seamless, "seamless");
    frame.seed = seedOf(seed, "seed");
    const patternlens::Scene copy = scene();
    check(copy, frame);
    std::string text;
    offThread([&] { text = copy.glsl(frame, es); });
    return text;
}

py::array PyComposition::normalMap(const py::object& width, const py::object& height, double strength,
                                   const std::string& convention, const py::object& dtype,
                                   const std::string& layerPath, const py::object& seamless,
                                   const py::object& seed, const std::string& aspect) const
{
    const colourviews::NormalMapOptions options = colourviews::normalMapOptions(strength, convention, dtype);
    const patternlens::Seamless wrap = overrideOf(seamless, "seamless");
    const py::array heights = render(width, height, layerPath, py::none(), py::str("float32"), seamless, seed, aspect);
    // The edges wrap as the render does: by the override, else the scene's own setting.
    const bool across = wrap == patternlens::Seamless::keep ? settings_.seamless : wrap == patternlens::Seamless::on;
    return colourviews::normalMapOf(heights, across, options);
}

std::shared_ptr<PyComposition> fromText(const std::string& text)
{
    ReadScene read = readScene(text, nullptr);
    return std::make_shared<PyComposition>(std::move(read.base), read.settings);
}

// A composition with what a load says of it, for the package's load and
// loads to warn of.
py::tuple withNote(ReadScene read)
{
    const std::string note = read.note;
    auto composition = std::make_shared<PyComposition>(std::move(read.base), read.settings);
    composition->setName(read.name);
    return py::make_tuple(composition, note);
}

} // namespace

std::string layerText(const LayerNode& node)
{
    std::string document;
    offThread([&] { document = scenefile::text(Composition(node.toTree(), SceneSettings()).ref(), layerxml::Numbers::exact); },
              false);
    return document;
}

std::shared_ptr<LayerNode> layerOfText(const std::string& text)
{
    return readScene(text, nullptr).base;
}

void defineReading(py::module_& m)
{
    py::exception<SceneFailure>& sceneError = py::register_exception<SceneFailure>(m, "SceneError", PyExc_ValueError);
    sceneError.doc() = "A scene that the reader refused, with the reason the renderer gives; a ValueError.";

    m.def("load", [](const py::object& name) {
        const std::string path = pathOf(name);
        return withNote(readScene({}, &path));
    }, py::arg("path"), "load(path) -> (Composition, note). See patternlens.load.");
    m.def("loads", [](const py::object& text) {
        if (!py::isinstance<py::bytes>(text) && !py::isinstance<py::str>(text))
            throw py::type_error("loads takes a str or bytes");
        return withNote(readScene(text.cast<std::string>(), nullptr));
    }, py::arg("text"), "loads(text) -> (Composition, note). See patternlens.loads.");
}

void defineComposition(py::module_& m)
{
    py::class_<PyComposition, std::shared_ptr<PyComposition>>(m, "Composition", R"doc(Composition(base, *, seamless=False)

A composition: a tree of layers under its base layer, and the scene's
settings. It takes a copy of the tree of base (a Layer): later changes to
those Layer objects do not reach it; its own base layer, c.base, is the one
to edit. patternlens.load and patternlens.loads return the compositions of
scene files.

Compositions pickle exactly (every float to the bit), so a worker process
renders what the client would; two compositions are == when their trees and
settings are the same, float for float.)doc")
        .def(py::init([](const std::shared_ptr<LayerNode>& base, bool seamless) {
                 SceneSettings settings;
                 settings.seamless = seamless;
                 return PyComposition::copyOf(*base, settings);
             }),
             py::arg("base"), py::kw_only(), py::arg("seamless") = false)
        .def_property_readonly("base", &PyComposition::base,
                               "The base layer with its inputs, live: c.base[\"Radius\"] = 0.5 changes the "
                               "composition, and its next render shows it. It cannot drive a variable of "
                               "another layer; pass copy.deepcopy(c.base) for that.")
        .def_property("seamless", &PyComposition::seamless, &PyComposition::setSeamless,
                      "The scene's Seamless setting: every layer repeats over its view, so the image tiles.")
        .def("to_xml", [](const PyComposition& c) { return c.text(layerxml::Numbers::sixDecimals); },
             "to_xml() -> str\n\nThe scene file's text, byte for byte what the viewer saves of this composition "
             "(every number with six decimals).")
        .def("save", &PyComposition::save, py::arg("path"),
             "save(path)\n\nWrites the scene file, as the viewer saves it, atomically: a failure leaves any file "
             "at path as it was. Raises OSError with the reason.")
        .def("render", &PyComposition::render, py::arg("width"), py::arg("height"), py::kw_only(),
             py::arg("layer") = "", py::arg("region") = py::none(), py::arg("dtype") = "uint8",
             py::arg("seamless") = py::none(), py::arg("seed") = 0, py::arg("aspect") = "stretch",
             R"doc(render(width, height, *, layer="", region=None, dtype="uint8", seamless=None, seed=0, aspect="stretch") -> numpy.ndarray

Renders the composition as an image of width x height pixels (each side 1
to 2147483647) and returns a C-contiguous array of shape (rows, columns),
the top row first: the picture patternlens-render writes.

layer: an input layer to render instead of the base layer, as
  patternlens-render --layer: the names of the variables from the base
  layer down, joined by "/" ("Spacing/Cutoff").
region: (x, y, w, h), the w x h pixels at column x and row y (from the
  top) of the whole image, as --region: tiles rendered apart join exactly.
dtype: "uint8", the grey bytes of a PGM; "uint16", the values of
  --depth 16; "float32", the layer's values themselves, before any rounding
  or clamping (values outside 0 to 1, and NaN, kept).
seamless: True or False overrides the scene's setting; None keeps it.
seed: added to every layer's seed, modulo 2**32, for this render only, as
  patternlens-render --seed: seed=1, 2, 3 ... give variations of one design.
aspect: "stretch", every layer's view spans the image; "keep", as
  patternlens-render --aspect keep: the picture of the drawing area the scene
  was made in, scaled to the image's width, so shapes keep their proportions
  (a region still takes the whole image's width and height).

The render copies the composition, then runs on the renderer's threads
with the GIL released, so other Python threads go on (edits they make reach
the next render); it writes straight into the array. Ctrl-C stops it
within a row (KeyboardInterrupt, as a signal handler raises it).

Raises TypeError or ValueError for a bad argument (the message says
which), KeyError for a layer path that leads nowhere (naming the variables
that lead on), and MemoryError (or numpy's own error) for an array that
cannot be had; every argument is checked before any work.)doc")
        .def("render_packed", &PyComposition::renderPacked, py::arg("width"), py::arg("height"), py::arg("channels"),
             py::kw_only(), py::arg("region") = py::none(), py::arg("dtype") = "uint8",
             py::arg("seamless") = py::none(), py::arg("seed") = 0, py::arg("aspect") = "stretch",
             R"doc(render_packed(width, height, channels, *, region=None, dtype="uint8", seamless=None, seed=0, aspect="stretch") -> numpy.ndarray

Renders three or four layers of the composition into the channels of one
image, as patternlens-render --pack: an array of shape (rows, columns,
len(channels)), the top row first, each channel what render() gives of
its layer (the packed masks game materials read).

channels: three or four str, each a layer path as render()'s layer takes
  it, "base" for the base layer, "-" for a channel of 0 and "1" for one of
  full white (255, 65535 or 1.0).
region, dtype, seamless, seed, aspect: as render() takes them.

Raises TypeError or ValueError for a bad argument and KeyError for a
channel that leads to no layer, before any work.)doc")
        .def("to_glsl", &PyComposition::glsl, py::arg("es") = false, py::kw_only(), py::arg("layer") = "",
             py::arg("seamless") = py::none(), py::arg("seed") = 0,
             R"doc(to_glsl(es=False, *, layer="", seamless=None, seed=0) -> str

The composition as GLSL source, the text patternlens-render writes for
"out.glsl": float patternlens(vec2 pixel, vec2 size) gives the values
render(..., dtype="float32") gives at texture pixel `pixel` (row 0 at the
bottom, as floor(gl_FragCoord.xy)) of a picture of `size` pixels; the
layers' views are the uniform array patternlensViews, one vec4 (x, y,
zoomx, zoomy) per layer, listed in the header.

es: GLSL ES 3.00 (WebGL 2, mobile) instead of GLSL 3.30 core.
layer, seamless, seed: as render() takes them.)doc")
        .def("normal_map", &PyComposition::normalMap, py::arg("width"), py::arg("height"), py::kw_only(),
             py::arg("strength") = 10.0, py::arg("convention") = "opengl", py::arg("dtype") = "uint8",
             py::arg("layer") = "", py::arg("seamless") = py::none(), py::arg("seed") = 0, py::arg("aspect") = "stretch",
             R"doc(normal_map(width, height, *, strength=10, convention="opengl", dtype="uint8", layer="", seamless=None, seed=0, aspect="stretch") -> numpy.ndarray

The normal map of the composition's values as heights, at width x height:
the RGB image patternlens-render --normal-map writes, byte for byte, an
array of shape (rows, columns, 3) of uint8 or uint16 (--depth 16). Its
edges wrap when the scene is seamless (or seamless=True), as the render's
pattern does, so the normal map tiles too.

strength, convention and dtype: as patternlens.normal_map; layer,
seamless, seed and aspect: as render. Raises what those raise.)doc")
        .def("__eq__", [](const PyComposition& a, const py::object& b) -> py::object {
            if (!py::isinstance<PyComposition>(b)) return py::reinterpret_borrow<py::object>(Py_NotImplemented);
            return py::bool_(a.equals(b.cast<const PyComposition&>()));
        }, "Whether both have the same tree and settings, float for float.")
        .def("__repr__", [](const PyComposition& c) {
            const int n = c.layerCount();
            return "<patternlens.Composition: " + typeName(c.baseType()) + ", " + std::to_string(n) +
                   (n == 1 ? " layer" : " layers") + ", seamless=" + (c.seamless() ? "True" : "False") + ">";
        })
        .def(py::pickle(
            // The scene's text with every float to the bit: a copy in another
            // process renders exactly what this one does.
            [](const PyComposition& c) { return py::make_tuple(c.text(layerxml::Numbers::exact)); },
            [](const py::tuple& state) {
                if (state.size() != 1) throw std::runtime_error("not a pickled patternlens.Composition");
                return fromText(state[0].cast<std::string>());
            }));
}
