#pragma once
// patternlens.Layer: one layer of a composition, with its view, Inverse,
// seed and variables, built and edited through the engine's own layers
// (layernode.h).
#include <pybind11/pybind11.h>

void defineLayer(pybind11::module_& m);
