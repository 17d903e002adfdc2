#pragma once
// Where a layer sits in the tree: the steps from the base layer down to it,
// "Circles › Spacing: Noise › Cutoff: Squares" — the base layer's type, then
// for every layer below it the variable it drives and its own type.
#include <string>
#include <vector>

class Renderable;

namespace layerpath {

struct Step {
    Renderable* layer;   // not owned
    std::string text;
};

// The steps from the base layer (first) down to layer (last); none for null.
std::vector<Step> stepsTo(Renderable* layer);

// The steps' texts joined by " › ".
std::string text(const std::vector<Step>& steps);

} // namespace layerpath
