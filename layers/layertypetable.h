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

    // A whole-number variable is one whose value its type truncates to a
    // whole number (Fractal's Octaves; a mode or a count of a later type).
    // The viewer steps it by 1 and shows it as the whole number the type
    // reads; its stored value stays a float like every variable's, so files
    // and pictures are as before. A type declares its whole-number
    // variables here, one bit per variable index (wholeNumber(i)).
    static constexpr unsigned wholeNumber(int variableIndex) { return 1u << variableIndex; }
    static const unsigned wholeNumberVariables[count];
};

// Whether variable variableIndex of a layer of type typeId is a whole
// number; false outside the table.
bool isWholeNumber(int typeId, int variableIndex);

// A new, set-up layer of the given type, owned by the caller; null for a
// TypeID outside 0 to LayerTypeTable::count - 1.
Renderable* createLayer(int typeId);

// The size of a layer object of the given type (0 for a TypeID outside the
// table): what creating or copying one allocates.
std::size_t layerObjectBytes(int typeId);
