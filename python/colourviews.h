#pragma once
// normal_map and colour_ramp: the renderer's --normal-map and --gradient
// over float32 arrays, for heights and values a program already has.
#include <pybind11/pybind11.h>

void defineColourViews(pybind11::module_& m);
