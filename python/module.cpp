// The compiled part of the Python module: a thin binding over the library
// patternlens-render and C++ programs use (api/patternlens/patternlens.h).
// Scenes are read by it and rendered by it straight into the numpy array's
// memory; layers are built and edited, and scenes written, by the engine's
// own classes and the scene file's writer. Every
// piece of work that walks a tree runs on a thread with the deep stack deep
// trees need, with the GIL released.
#include "colourviews.h"
#include "layernode.h"

#include "api/patternlens/patternlens.h"
#include "api/sceneaccess.h"
#include "layers/composition.h"
#include "layers/layerclone.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "layers/workerpool.h"
#include "persistence/numbertext.h"
#include "persistence/scenefile.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <climits>
#include <cmath>
#include <functional>
#include <optional>
#include <shared_mutex>
#include <stdexcept>

namespace py = pybind11;

namespace {

// A scene the reader refused; Python sees patternlens.SceneError.
class SceneFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs work on a deep-stack thread, with the GIL released unless work
// reads Layer objects, which other Python threads may change. whileWaiting
// runs on the calling thread, without the GIL, while work lasts.
void offThread(const std::function<void()>& work, bool releaseGil = true,
               const std::function<void()>& whileWaiting = {})
{
    bool started = false;
    if (releaseGil) {
        py::gil_scoped_release release;
        started = WorkerPool::runOnDeepStack(work, whileWaiting);
    } else {
        started = WorkerPool::runOnDeepStack(work);
    }
    if (!started) throw std::runtime_error("no thread could be started for the work");
}

std::string typeName(int typeId)
{
    return LayerTypeTable::names[typeId];
}

std::string typeList()
{
    std::string names;
    for (int i = 0; i < LayerTypeTable::count; ++i) names += (i ? ", " : "") + typeName(i);
    return names;
}

// A finite number from a Python number; TypeError for anything else.
float finiteNumber(const py::handle& value, const std::string& what)
{
    if (py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value) || !PyNumber_Check(value.ptr()))
        throw py::type_error(what + " must be a number, not " + std::string(py::str(value.get_type().attr("__name__"))));
    const double d = value.cast<double>();
    const float f = static_cast<float>(d);
    if (!std::isfinite(f)) throw py::value_error(what + " must be a finite number that a float holds, not " + std::string(py::repr(value)));
    return f;
}

// A whole number from a Python integer (or anything with __index__).
long long wholeNumber(const py::handle& value, const std::string& what)
{
    if (py::isinstance<py::float_>(value) || !PyIndex_Check(value.ptr()))
        throw py::type_error(what + " must be an integer, not " + std::string(py::str(value.get_type().attr("__name__"))));
    const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
    if (!index) throw py::error_already_set();
    int overflow = 0;
    const long long n = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
    if (overflow) return overflow > 0 ? LLONG_MAX : LLONG_MIN;
    return n;
}

// A seed: a whole number from 0 to 4294967295, as a scene file holds it.
std::uint32_t seedOf(const py::handle& value, const std::string& what)
{
    const long long n = wholeNumber(value, what);
    if (n < 0 || n > 4294967295LL) throw py::value_error(what + " must be a whole number from 0 to 4294967295");
    return static_cast<std::uint32_t>(n);
}

// A file name from a str, bytes or os.PathLike, as Python's own functions take it.
std::string pathOf(const py::object& name)
{
    return py::module_::import("os").attr("fsdecode")(name).cast<std::string>();
}

using Node = std::shared_ptr<LayerNode>;

int variableOf(const LayerNode& node, const std::string& name)
{
    const int index = node.variableIndex(name);
    if (index < 0)
        throw py::key_error(typeName(node.layer().typeId) + " has no variable '" + name +
                            "'; its variables: " + node.variableNames());
    return index;
}

void setVariable(const Node& node, const std::string& name, const py::handle& value)
{
    const int index = variableOf(*node, name);
    if (py::isinstance<LayerNode>(value)) {
        const std::string error = node->setInput(index, value.cast<Node>());
        if (!error.empty()) throw py::value_error(error);
        return;
    }
    // Stored as given, as a file's value is; an input it had goes.
    const float number = finiteNumber(value, "the value of " + name);
    node->removeInput(index);
    node->layer().variables[index].overrideValue = number;
}

py::object getVariable(const Node& node, const std::string& name)
{
    const int index = variableOf(*node, name);
    if (const Node& input = node->input(index)) return py::cast(input);
    return py::float_(node->layer().variables[index].getValue());
}

// The view a file would hold, kept within the limits every view obeys.
void setView(LayerNode& node, float x, float y, float zoomx, float zoomy)
{
    if (!(zoomx > 0) || !(zoomy > 0)) throw py::value_error("zoomx and zoomy must be above 0");
    node.layer().setView(x, y, zoomx, zoomy);
}

int typeIdOf(const py::handle& type)
{
    if (py::isinstance<py::str>(type)) {
        const std::string name = type.cast<std::string>();
        for (int i = 0; i < LayerTypeTable::count; ++i)
            if (name == LayerTypeTable::names[i]) return i;
        throw py::value_error("unknown layer type '" + name + "'; the types: " + typeList());
    }
    throw py::type_error("the layer type must be a name: one of " + typeList());
}

Node makeLayer(const py::handle& type, const py::object& x, const py::object& y, const py::object& zoomx,
               const py::object& zoomy, bool inverse, const py::object& seed, const py::kwargs& variables)
{
    Node node = LayerNode::create(typeIdOf(type));
    Renderable& layer = node->layer();
    setView(*node, x.is_none() ? layer.x : finiteNumber(x, "x"), y.is_none() ? layer.y : finiteNumber(y, "y"),
            zoomx.is_none() ? layer.zoomx : finiteNumber(zoomx, "zoomx"),
            zoomy.is_none() ? layer.zoomy : finiteNumber(zoomy, "zoomy"));
    layer.inverse = inverse;
    layer.setSeed(seedOf(seed, "seed"));
    for (const auto& item : variables) {
        const std::string name = item.first.cast<std::string>();
        if (node->variableIndex(name) < 0)
            throw py::type_error(typeName(layer.typeId) + " has no variable '" + name + "'; its variables: " +
                                 node->variableNames());
        setVariable(node, name, item.second);
    }
    return node;
}

// The shortest text that reads back as the float.
std::string numberRepr(float value)
{
    return numbertext::formatExact(value);
}

std::string layerRepr(const LayerNode& node)
{
    const Renderable& layer = node.layer();
    std::string text = "Layer('" + typeName(layer.typeId) + "', x=" + numberRepr(layer.x) +
                       ", y=" + numberRepr(layer.y) + ", zoomx=" + numberRepr(layer.zoomx) +
                       ", zoomy=" + numberRepr(layer.zoomy) + ", inverse=" + (layer.inverse ? "True" : "False");
    if (layer.getSeed() != 0) text += ", seed=" + std::to_string(layer.getSeed());
    for (int i = 0; i < layer.variableCount; ++i) {
        text += ", " + std::string(layer.variables[i].getName()) + "=";
        if (const Node& input = node.input(i)) text += "Layer('" + typeName(input->layer().typeId) + "', ...)";
        else text += numberRepr(layer.variables[i].getValue());
    }
    return text + ")";
}

// A composition as Python holds it: the library's scene, whose tree is at
// no size (each render sizes a copy of its own), with the scene's settings.
// Renders copy it under a shared lock, so threads render one composition at
// once while a change of its settings waits for their copies.
class PyComposition {
public:
    explicit PyComposition(patternlens::Scene s) : scene(std::move(s)) {}

    static std::shared_ptr<PyComposition> fromNode(const LayerNode& node, bool seamless)
    {
        std::optional<patternlens::Scene> made;
        offThread([&] {
            SceneSettings settings;
            settings.seamless = seamless;
            made.emplace(patternlens::SceneAccess::make(Composition(node.toTree(), settings)));
        }, false);
        return std::make_shared<PyComposition>(std::move(*made));
    }

    static std::shared_ptr<PyComposition> parse(const std::string& text, const std::string* path)
    {
        std::optional<patternlens::Scene> read;
        std::string error;
        offThread([&] {
            try {
                read.emplace(path ? patternlens::Scene::load(*path) : patternlens::Scene::parse(text));
            } catch (const patternlens::Error& e) {
                if (e.kind() != patternlens::Error::Kind::scene) throw;
                error = e.what();
            }
        });
        if (!read) throw SceneFailure(error);
        return std::make_shared<PyComposition>(std::move(*read));
    }

    Node base() const
    {
        Node node;
        offThread([&] {
            std::unique_ptr<Renderable> copy;
            {
                std::shared_lock<std::shared_mutex> lock(mutex);
                copy = cloneLayerTree(*composition().tree);
            }
            node = LayerNode::fromTree(std::move(copy));
        });
        return node;
    }

    bool seamless() const
    {
        std::shared_lock<std::shared_mutex> lock(mutex);
        return composition().settings.seamless;
    }

    void setSeamless(bool on)
    {
        std::unique_lock<std::shared_mutex> lock(mutex);
        composition().settings.seamless = on;
        applySettings(*composition().tree, composition().settings);
    }

    std::string text(layerxml::Numbers numbers) const
    {
        std::string document;
        offThread([&] {
            std::shared_lock<std::shared_mutex> lock(mutex);
            Renderable* base = composition().tree.get();
            document = scenefile::text(&base, 1, composition().settings, numbers);
        });
        return document;
    }

    void save(const py::object& name) const
    {
        const std::string path = pathOf(name);
        std::string error;
        offThread([&] {
            std::shared_lock<std::shared_mutex> lock(mutex);
            Renderable* base = composition().tree.get();
            error = scenefile::write(path, &base, 1, composition().settings);
        });
        if (!error.empty()) {
            PyErr_SetString(PyExc_OSError, (path + ": " + error).c_str());
            throw py::error_already_set();
        }
    }

    bool equals(const PyComposition& other) const
    {
        if (this == &other) return true;
        std::shared_lock<std::shared_mutex> lock(mutex), otherLock(other.mutex);
        return sameComposition(composition().ref(), other.composition().ref());
    }

    py::array render(const py::object& width, const py::object& height, const std::string& layerPath,
                     const py::object& region, const py::object& dtype, const py::object& seamless,
                     const py::object& seed, const std::string& aspect) const;

    int layerCount() const
    {
        int count = 0;
        std::function<void(const Renderable&)> visit = [&](const Renderable& layer) {
            ++count;
            for (int i = 0; i < layer.variableCount; ++i)
                if (const Renderable* input = layer.variables[i].getInputLayer()) visit(*input);
        };
        offThread([&] {
            std::shared_lock<std::shared_mutex> lock(mutex);
            visit(*composition().tree);
        });
        return count;
    }

    int baseType() const { return composition().tree->typeId; }

private:
    // The scene's composition, for the edits and the writer.
    Composition& composition() { return patternlens::SceneAccess::composition(scene); }
    const Composition& composition() const { return patternlens::SceneAccess::composition(scene); }

    patternlens::Scene scene;
    mutable std::shared_mutex mutex;
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

py::array PyComposition::render(const py::object& width, const py::object& height, const std::string& layerPath,
                                const py::object& region, const py::object& dtype, const py::object& seamless,
                                const py::object& seed, const std::string& aspect) const
{
    // Every argument is checked before any work: a bad one costs nothing.
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
    py::dtype type;
    const patternlens::Samples samples = samplesOf(dtype, &type);
    try {
        std::shared_lock<std::shared_mutex> lock(mutex);
        scene.check(frame);
    } catch (const patternlens::Error& e) {
        if (e.kind() == patternlens::Error::Kind::layer) throw py::key_error(e.what());
        throw py::value_error(e.what());
    }

    // numpy refuses what it cannot hold (MemoryError, or its ValueError for
    // an array beyond the address space) before any pixel is computed.
    const py::ssize_t rows = frame.rows();
    const py::ssize_t columns = frame.columns();
    py::array image(type, std::vector<py::ssize_t>{rows, columns});
    void* out = image.mutable_data();
    const std::size_t rowBytes = static_cast<std::size_t>(columns) * static_cast<std::size_t>(type.itemsize());

    // Ctrl-C (or any signal whose handler raises) stops the render within a
    // row; the signal's exception is raised in place of a result.
    std::atomic<bool> stop{false};
    const auto hearSignals = [&stop] {
        py::gil_scoped_acquire gil;
        if (!stop && PyErr_CheckSignals() != 0) stop = true;
    };
    std::string error;
    offThread(
        [&] {
            std::optional<patternlens::Scene> copy;
            {
                std::shared_lock<std::shared_mutex> lock(mutex);
                copy.emplace(scene);
            }
            try {
                copy->render(frame, samples, out, rowBytes, &stop);
            } catch (const patternlens::Error& e) {
                error = e.what();
            }
        },
        true, hearSignals);
    if (PyErr_Occurred()) throw py::error_already_set();
    if (!error.empty()) throw std::runtime_error(error);
    return image;
}

} // namespace

PYBIND11_MODULE(_patternlens, m)
{
    m.doc() = "The compiled part of patternlens; use the patternlens package.";
    py::exception<SceneFailure>& sceneError = py::register_exception<SceneFailure>(m, "SceneError", PyExc_ValueError);
    sceneError.doc() = "A scene that the reader refused, with the reason the renderer gives; a ValueError.";

    py::tuple types(LayerTypeTable::count);
    for (int i = 0; i < LayerTypeTable::count; ++i) types[i] = py::str(LayerTypeTable::names[i]);
    m.attr("TYPES") = types;

    py::class_<LayerNode, Node>(m, "Layer", R"doc(Layer(type, *, x=None, y=None, zoomx=None, zoomy=None, inverse=False, seed=0, **variables)

One layer of a composition: a pattern of one type with its view (the centre
x, y and the extents zoomx, zoomy of the rectangle of the plane it shows),
an Inverse switch, and a value for each of its type's variables.

type: one of patternlens.TYPES ("Noise", "Squares", "Circles", "Fractal",
"Cells", "Blend"). A view left out is the default one, 0, 0, 20, 20; a view
outside the range every view keeps (extents 0.1 to 1e6, centres within
1e5) is brought into it, as a scene file's is. seed (0 to 4294967295)
picks the layer's own permutation: seed 0 is the one every layer had
before seeds, and Noise, Fractal and Cells layers look different under
every other seed (Squares, Circles and Blend ignore it).

Each keyword named like one of the type's variables takes a number (the
fixed value, stored as given, as a scene file's is) or another Layer (the
input that drives the variable pixel by pixel; it keeps its own view).

Layers form trees: layer["Spacing"] reads a variable (a float, or the input
Layer itself, live), layer["Spacing"] = value sets it (a number replaces an
input) and del layer["Spacing"] removes the input. A Layer that already
drives a variable, or the layer itself or one above it, cannot become an
input; copy.deepcopy(layer) gives an independent copy (Layers pickle
exactly, as compositions do). A tree may be as deep as a scene file holds,
1332 layers.

Raises ValueError for an unknown type, a value that is not finite or an
extent not above 0, and TypeError for a name that is not one of the type's
variables (the message lists them) or a value that is not a number or Layer.)doc")
        .def(py::init(&makeLayer), py::arg("type"), py::kw_only(), py::arg("x") = py::none(),
             py::arg("y") = py::none(), py::arg("zoomx") = py::none(), py::arg("zoomy") = py::none(),
             py::arg("inverse") = false, py::arg("seed") = 0)
        .def_property_readonly(
            "type", [](const LayerNode& n) { return typeName(n.layer().typeId); }, "The layer's type, one of TYPES.")
        .def_property_readonly(
            "variables",
            [](const LayerNode& n) {
                py::tuple names(n.layer().variableCount);
                for (int i = 0; i < n.layer().variableCount; ++i) names[i] = py::str(n.layer().variables[i].getName());
                return names;
            },
            "The names of the type's variables, in the panel's order.")
        .def(
            "range",
            [](const LayerNode& n, const std::string& name) {
                const LayerVariable& v = n.layer().variables[variableOf(n, name)];
                return py::make_tuple(v.getMinValue(), v.getMaxValue());
            },
            py::arg("name"),
            "range(name) -> (minimum, maximum)\n\nThe range an input's values 0 to 1 are mapped onto for the "
            "variable called name. Raises KeyError for a name that is no variable of the type.")
        .def_property(
            "x", [](const LayerNode& n) { return n.layer().x; },
            [](LayerNode& n, const py::object& v) {
                const Renderable& l = n.layer();
                setView(n, finiteNumber(v, "x"), l.y, l.zoomx, l.zoomy);
            },
            "The x coordinate of the view's centre.")
        .def_property(
            "y", [](const LayerNode& n) { return n.layer().y; },
            [](LayerNode& n, const py::object& v) {
                const Renderable& l = n.layer();
                setView(n, l.x, finiteNumber(v, "y"), l.zoomx, l.zoomy);
            },
            "The y coordinate of the view's centre.")
        .def_property(
            "zoomx", [](const LayerNode& n) { return n.layer().zoomx; },
            [](LayerNode& n, const py::object& v) {
                const Renderable& l = n.layer();
                setView(n, l.x, l.y, finiteNumber(v, "zoomx"), l.zoomy);
            },
            "The width of the rectangle of the plane the view shows.")
        .def_property(
            "zoomy", [](const LayerNode& n) { return n.layer().zoomy; },
            [](LayerNode& n, const py::object& v) {
                const Renderable& l = n.layer();
                setView(n, l.x, l.y, l.zoomx, finiteNumber(v, "zoomy"));
            },
            "The height of the rectangle of the plane the view shows.")
        .def_property(
            "inverse", [](const LayerNode& n) { return n.layer().inverse; },
            [](LayerNode& n, bool on) { n.layer().inverse = on; }, "The Inverse switch: the layer shows 1 - value.")
        .def_property(
            "seed", [](const LayerNode& n) { return n.layer().getSeed(); },
            [](LayerNode& n, const py::object& seed) { n.layer().setSeed(seedOf(seed, "seed")); },
            "The layer's seed, 0 to 4294967295 (0: the permutation of scenes without seeds).")
        .def("__getitem__", &getVariable, py::arg("name"),
             "layer[name]: the variable's input Layer itself when one drives it, else its fixed value (a float). "
             "KeyError for a name that is no variable of the type.")
        .def("__setitem__", &setVariable, py::arg("name"), py::arg("value"),
             "layer[name] = value: a number becomes the fixed value (stored as given; an input goes), a Layer the "
             "input. KeyError for an unknown name, TypeError for another value, ValueError for a value that is "
             "not finite or a Layer that drives a variable already, is this layer or one above it, or would make "
             "the tree deeper than a scene file holds.")
        .def(
            "__delitem__", [](const Node& n, const std::string& name) { n->removeInput(variableOf(*n, name)); },
            py::arg("name"),
            "del layer[name]: removes the variable's input (the fixed value stays). KeyError for an unknown name.")
        .def("__contains__", [](const LayerNode& n, const std::string& name) { return n.variableIndex(name) >= 0; },
             "Whether name is one of the type's variables.")
        .def("__len__", [](const LayerNode& n) { return n.layer().variableCount; }, "The number of variables.")
        .def("__iter__", [](const LayerNode& n) {
            py::list names;
            for (int i = 0; i < n.layer().variableCount; ++i) names.append(py::str(n.layer().variables[i].getName()));
            return py::iter(names);
        }, "The variables' names.")
        .def("keys", [](const LayerNode& n) {
            py::list names;
            for (int i = 0; i < n.layer().variableCount; ++i) names.append(py::str(n.layer().variables[i].getName()));
            return names;
        }, "The names of the type's variables.")
        .def("__repr__", [](const LayerNode& n) { return layerRepr(n); }, "The layer as the call that builds it.")
        .def(py::pickle(
            // As a composition's scene text, every float to the bit; copy.copy
            // and copy.deepcopy give an independent tree this way too.
            [](const LayerNode& n) { return py::make_tuple(PyComposition::fromNode(n, false)->text(layerxml::Numbers::exact)); },
            [](const py::tuple& state) {
                if (state.size() != 1) throw std::runtime_error("not a pickled patternlens.Layer");
                return PyComposition::parse(state[0].cast<std::string>(), nullptr)->base();
            }));

    py::class_<PyComposition, std::shared_ptr<PyComposition>>(m, "Composition", R"doc(Composition(base, *, seamless=False)

A composition: a tree of layers under its base layer, and the scene's
settings. It takes a copy of the tree of base (a Layer): later changes to
those Layer objects do not reach it. patternlens.load and patternlens.loads
return the compositions of scene files.

Compositions pickle exactly (every float to the bit), so a worker process
renders what the client would; two compositions are == when their trees and
settings are the same, float for float.)doc")
        .def(py::init([](const Node& base, bool seamless) { return PyComposition::fromNode(*base, seamless); }),
             py::arg("base"), py::kw_only(), py::arg("seamless") = false)
        .def_property_readonly("base", &PyComposition::base,
                               "A copy of the base layer with its inputs, as Layer objects to read or edit; "
                               "make a new Composition from them to render the edits.")
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

The render runs on the renderer's threads with the GIL released, so other
Python threads go on; it writes straight into the array. Ctrl-C stops it
within a row (KeyboardInterrupt, as a signal handler raises it).

Raises TypeError or ValueError for a bad argument (the message says
which), KeyError for a layer path that leads nowhere (naming the variables
that lead on), and MemoryError (or numpy's own error) for an array that
cannot be had; every argument is checked before any work.)doc")
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
                return PyComposition::parse(state[0].cast<std::string>(), nullptr);
            }));

    m.def("load", [](const py::object& name) {
        const std::string path = pathOf(name);
        return PyComposition::parse({}, &path);
    }, py::arg("path"),
          "See patternlens.load.");
    m.def("loads", [](const py::object& text) {
        if (py::isinstance<py::bytes>(text)) return PyComposition::parse(text.cast<std::string>(), nullptr);
        if (!py::isinstance<py::str>(text)) throw py::type_error("loads takes a str or bytes");
        return PyComposition::parse(text.cast<std::string>(), nullptr);
    }, py::arg("text"), "See patternlens.loads.");
    defineColourViews(m);
}
