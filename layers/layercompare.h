#pragma once
// Whether two layer trees are the same composition: every field
// layerfields.h lists for the comparison (type, view, inverse switch, every
// variable's name, range and fixed value) and every input layer, compared
// bit for bit, so a NaN equals itself and -0 differs from 0. What
// the user cannot change (pixels, textures, the controller) is not compared.
class Renderable;

// Either may be null (no composition); two nulls are the same.
bool sameLayerTree(const Renderable* a, const Renderable* b);

// The layers in a tree: the layer itself and every input layer below it.
long long countLayers(const Renderable* layer);
