#pragma once
#include <cstddef>

class Renderable;

// The layer types, known by their TypeID: the index into this table, the
// constructor argument of every layer and the "TypeID" of the scene file.
struct LayerTypeTable {
    static constexpr int count = 11;
    // "Noise", "Squares", "Circles", "Fractal", "Cells", "Blend", "Warp",
    // "Ridged", "Terrace", "Combine", "Gradient"
    static const char names[count][100];
};

// A new, set-up layer of the given type, owned by the caller; null for a
// TypeID outside 0 to LayerTypeTable::count - 1.
Renderable* createLayer(int typeId);

// The size of a layer object of the given type (0 for none): what creating
// or copying one allocates.
std::size_t layerObjectBytes(int typeId);
