#include "colourviews.h"

#include "api/patternlens/patternlens.h"
#include "layers/colourramp.h"

#include <pybind11/numpy.h>

#include <cstdint>

namespace py = pybind11;

namespace {

using Floats = py::array_t<float, py::array::c_style | py::array::forcecast>;

// The dtype of an output: 8 or 16 bits a component.
bool sixteenBits(const py::object& dtype)
{
    const std::string allowed = "dtype must be 'uint8' or 'uint16'";
    py::dtype d;
    try {
        d = py::dtype::from_args(dtype);
    } catch (const py::error_already_set&) {
        throw py::type_error(allowed + ", not " + std::string(py::repr(dtype)));
    }
    if (d.equal(py::dtype::of<std::uint8_t>())) return false;
    if (d.equal(py::dtype::of<std::uint16_t>())) return true;
    throw py::value_error(allowed + ", not " + std::string(py::str(d.attr("name"))));
}

Floats twoDimensional(const py::object& values, const char* what)
{
    Floats array = Floats::ensure(values);
    if (!array) throw py::type_error(std::string(what) + " must be an array of numbers");
    if (array.ndim() != 2 || array.shape(0) < 1 || array.shape(1) < 1)
        throw py::value_error(std::string(what) + " must be a two-dimensional array of at least one pixel");
    return array;
}

// An array of shape (rows, columns, 3) of 8- or 16-bit components.
py::array rgbArray(py::ssize_t rows, py::ssize_t columns, bool wide)
{
    return wide ? py::array(py::dtype::of<std::uint16_t>(), {rows, columns, py::ssize_t(3)})
                : py::array(py::dtype::of<std::uint8_t>(), {rows, columns, py::ssize_t(3)});
}

py::array normalMap(const py::object& heights, double strength, bool seamless, const std::string& convention,
                    const py::object& dtype)
{
    return colourviews::normalMapOf(heights, seamless, colourviews::normalMapOptions(strength, convention, dtype));
}

py::array colourRamp(const py::object& values, const std::string& stops, const py::object& dtype)
{
    ColourRamp ramp;
    std::string error;
    if (!ColourRamp::parse(stops, &ramp, &error)) throw py::value_error(error);
    const bool wide = sixteenBits(dtype);
    const Floats v = twoDimensional(values, "values");
    const std::size_t count = static_cast<std::size_t>(v.shape(0)) * static_cast<std::size_t>(v.shape(1));
    py::array out = rgbArray(v.shape(0), v.shape(1), wide);
    const float* in = v.data();
    void* rgb = out.mutable_data();
    py::gil_scoped_release release;
    // A ramp colours each value alone: the whole array is one row.
    if (wide) ramp.row16(in, count, static_cast<std::uint16_t*>(rgb));
    else ramp.row8(in, count, static_cast<std::uint8_t*>(rgb));
    return out;
}

} // namespace

namespace colourviews {

NormalMapOptions normalMapOptions(double strength, const std::string& convention, const py::object& dtype)
{
    NormalMapOptions options;
    if (!(strength == strength) || strength > normalmap::maxStrength || strength < -normalmap::maxStrength)
        throw py::value_error("strength must be a finite number from -1e6 to 1e6");
    options.settings.strength = strength;
    if (!normalmap::parseConvention(convention, &options.settings.convention))
        throw py::value_error("convention must be 'opengl' or 'directx', not '" + convention + "'");
    options.wide = sixteenBits(dtype);
    return options;
}

py::array normalMapOf(const py::object& heights, bool seamless, const NormalMapOptions& options)
{
    const Floats h = twoDimensional(heights, "heights");
    const std::size_t rows = static_cast<std::size_t>(h.shape(0)), columns = static_cast<std::size_t>(h.shape(1));
    py::array out = rgbArray(h.shape(0), h.shape(1), options.wide);
    const float* values = h.data();
    void* rgb = out.mutable_data();
    py::gil_scoped_release release;
    if (options.wide)
        normalmap::field16(values, columns, rows, /*topFirst=*/true, seamless, options.settings,
                           static_cast<std::uint16_t*>(rgb));
    else
        normalmap::field8(values, columns, rows, /*topFirst=*/true, seamless, options.settings,
                          static_cast<std::uint8_t*>(rgb));
    return out;
}

} // namespace colourviews

void defineColourViews(py::module_& m)
{
    m.def("normal_map", &normalMap, py::arg("heights"), py::arg("strength") = 10.0, py::arg("seamless") = false,
          py::arg("convention") = "opengl", py::arg("dtype") = "uint8",
          R"doc(normal_map(heights, strength=10, seamless=False, convention="opengl", dtype="uint8") -> numpy.ndarray

The normal map of a height field, as patternlens-render --normal-map writes
it: an array of shape (rows, columns, 3), RGB, of uint8 or uint16.

heights: a two-dimensional array of float32 values (others are converted),
  the first row at the top, as Composition.render(..., dtype="float32")
  gives them; a NaN counts as 0.
strength: s in normalise(-s dx, s dy, 1) ("opengl", green up) or
  normalise(-s dx, -s dy, 1) ("directx"), dx and dy the central
  differences of the heights.
seamless: beyond an edge lies the other side of the picture (a seamless
  render tiles, and so does its normal map); else the nearest pixel.
  Composition.normal_map renders and takes it from the scene.

Raises TypeError or ValueError for a bad argument.)doc");
    m.def("ramp_error", &patternlens::rampError, py::arg("stops"),
          "ramp_error(stops) -> str\n\nWhy stops is no ramp colour_ramp takes, or an empty string.");
    py::list names;
    for (const ColourRamp::Named& ramp : ColourRamp::named()) names.append(ramp.name);
    m.attr("RAMP_NAMES") = py::tuple(names);
    m.def("colour_ramp", &colourRamp, py::arg("values"), py::arg("stops"), py::arg("dtype") = "uint8",
          "colour_ramp(values, stops, dtype=\"uint8\") -> numpy.ndarray, stops a ramp's text. "
          "See patternlens.colour_ramp.");
}
