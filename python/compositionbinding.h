#pragma once
// patternlens.Composition (a tree of layers with the scene's settings) and
// the reading of scene files and texts that make one.
#include "layernode.h"

#include <pybind11/pybind11.h>

#include <memory>
#include <string>

// A Layer's pickle: the scene text of node's tree alone, every float to the
// bit, and the tree of nodes read back from one.
std::string layerText(const LayerNode& node);
std::shared_ptr<LayerNode> layerOfText(const std::string& text);

// patternlens.SceneError and the compiled load and loads.
void defineReading(pybind11::module_& m);
void defineComposition(pybind11::module_& m);
