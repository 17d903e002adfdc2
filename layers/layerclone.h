#pragma once
// An exact copy of a layer with its whole subtree: every field layerfields.h
// lists for the copy (type, view, mapping, inverse switch, every variable's
// name, range and fixed value) and every input layer, float for float. The scene file keeps six decimals, so it cannot
// stand in for this where a copy must render the very same bytes (a render
// that runs beside the user's edits, an undo step).
//
// The copy has no pixels and no texture; its layers know the same controller
// and have the same texture size as the originals.
#include <cstddef>
#include <memory>

class Renderable;

std::unique_ptr<Renderable> cloneLayerTree(const Renderable& layer);

// The memory a copy of the tree takes (null: none): every layer's object and
// what the fields the copy takes hold beside it.
std::size_t copyBytes(const Renderable* tree);
