#pragma once
// Where a layer sits in the tree, in two notations.
//
// The panel's path: the steps from the base layer down to it, "Circles ›
// Spacing: Noise › Cutoff: Squares" — the base layer's type, then for every
// layer below it the variable it drives and its own type.
//
// The variable path of patternlens-render --layer: the names of the
// variables from the base layer down, joined by "/" ("Spacing/Cutoff" is the
// input of the base layer's Spacing, then that layer's Cutoff); the empty
// path is the base layer itself.
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

// The text of layer's own step: its type's name, and for an input layer the
// variable of its parent that it drives first ("Spacing: Noise").
std::string stepText(const Renderable& layer);
std::string typeName(const Renderable& layer);

// The variable path from the base layer down to layer.
std::string variablePath(const Renderable& layer);

// The layer that path names below base, or null with the reason in *error:
// a name that is no variable of the layer reached so far, or a variable
// without an input layer. The reason lists the names that lead on from
// there.
const Renderable* find(const Renderable& base, const std::string& path, std::string* error);

} // namespace layerpath
