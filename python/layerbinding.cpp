#include "layerbinding.h"

#include "arguments.h"
#include "compositionbinding.h"
#include "layernode.h"

#include "layers/layercompare.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "persistence/numbertext.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace py = pybind11;
using namespace arguments;

namespace {

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

// The same layers, value for value, as compositions compare theirs.
bool sameLayers(const LayerNode& a, const LayerNode& b)
{
    if (&a == &b) return true;
    bool same = false;
    offThread([&] { same = sameLayerTree(a.toTree().get(), b.toTree().get()); }, false);
    return same;
}

} // namespace

void defineLayer(py::module_& m)
{
    py::class_<LayerNode, Node>(m, "Layer", R"doc(Layer(type, *, x=None, y=None, zoomx=None, zoomy=None, inverse=False, seed=0, **variables)

One layer of a composition: a pattern of one type with its view (the centre
x, y and the extents zoomx, zoomy of the rectangle of the plane it shows),
an Inverse switch, and a value for each of its type's variables.

type: one of patternlens.TYPES ("Noise", "Squares", "Circles", "Fractal",
"Cells", "Blend", "Warp", "Ridged", "Terrace", "Combine", "Gradient"). A
view left out is the default one, 0, 0, 20, 20; a view outside the range
every view keeps (extents 0.1 to 1e6, centres within 1e5) is brought into
it, as a scene file's is. seed (0 to 4294967295) picks the layer's own
permutation: seed 0 is the one every layer had before seeds, and Noise,
Fractal, Cells and Ridged layers look different under every other seed
(Squares, Circles, Blend, Warp, Terrace, Combine and Gradient ignore it).

Each keyword named like one of the type's variables takes a number (the
fixed value, stored as given, as a scene file's is) or another Layer (the
input that drives the variable pixel by pixel; it keeps its own view).

Layers form trees: layer["Spacing"] reads a variable (a float, or the input
Layer itself, live), layer["Spacing"] = value sets it (a number replaces an
input) and del layer["Spacing"] removes the input. A Layer that already
drives a variable, or the layer itself or one above it, cannot become an
input; copy.deepcopy(layer) gives an independent copy, == to it (Layers
compare by value and pickle exactly, as compositions do). A tree may be as deep as a scene file holds,
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
        .def("__eq__", [](const LayerNode& a, const py::object& b) -> py::object {
            if (!py::isinstance<LayerNode>(b)) return py::reinterpret_borrow<py::object>(Py_NotImplemented);
            return py::bool_(sameLayers(a, b.cast<const LayerNode&>()));
        }, "Whether both have the same type, view, Inverse, seed and variables, and equal inputs, float for "
           "float (copy.deepcopy(layer) == layer). Layers are not hashable: they change.")
        .def("__repr__", [](const LayerNode& n) { return layerRepr(n); }, "The layer as the call that builds it.")
        .def(py::pickle(
            // As a composition's scene text, every float to the bit; copy.copy
            // and copy.deepcopy give an independent tree this way too.
            [](const LayerNode& n) { return py::make_tuple(layerText(n)); },
            [](const py::tuple& state) {
                if (state.size() != 1) throw std::runtime_error("not a pickled patternlens.Layer");
                return layerOfText(state[0].cast<std::string>());
            }));
}
