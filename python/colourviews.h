#pragma once
// normal_map and colour_ramp: the renderer's --normal-map and --gradient
// over float32 arrays, for heights and values a program already has.
#include "layers/normalmap.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>

namespace colourviews {

// A normal map's arguments, checked: TypeError or ValueError for a bad one.
struct NormalMapOptions {
    normalmap::Settings settings;
    bool wide = false;   // 16 bits a component, else 8
};
NormalMapOptions normalMapOptions(double strength, const std::string& convention, const pybind11::object& dtype);

// The normal map of heights, a two-dimensional array of numbers; beyond an
// edge lies the other side when seamless, else the nearest pixel.
pybind11::array normalMapOf(const pybind11::object& heights, bool seamless, const NormalMapOptions& options);

} // namespace colourviews

void defineColourViews(pybind11::module_& m);
