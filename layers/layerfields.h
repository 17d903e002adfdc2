#pragma once
// Every field of a layer and of a layer variable that describes the
// composition, listed once with the walks that use it: the exact copy
// (layerclone), the comparison that tells an edit from none (layercompare),
// the memory a copy takes (EditHistory::measure, through layerclone), and the
// scene file's attributes, named and in the order they are written
// (persistence/layerxml). A new field goes here, and every walk picks it up.
//
// Not listed, because each walk handles them itself: the tree's links (a
// layer's variables, a variable's input layer, the parent and owner
// pointers). Not listed at all: a layer's pixels and texture, which a render
// makes and no walk keeps.
#include "layers/renderable.h"

namespace layerfields {

enum Walk : unsigned {
    copy = 1,      // an exact copy renders the same bytes alone
    compare = 2,   // a change of it is an undo step
    file = 4,      // a scene file attribute
};
constexpr unsigned all = copy | compare | file;

// How the file reads an attribute back.
enum class Reading {
    value,      // a finite number, or an integer for a flag
    positive,   // an extent: a finite number above 0
    none,       // written only: the TypeID is read by whoever creates the layer,
                // a variable's name comes from its layer type
    seed,       // written only when not 0; read as digits alone, 0 to
                // 4294967295, and anything else as 0 with a warning
};

template <unsigned Walks>
struct Field {
    static constexpr unsigned walks = Walks;
    const char* xmlName = nullptr;   // the attribute, for the file walk
    Reading reading = Reading::value;
};

// Calls visit(field, the field's member of each layer given...) for every
// field of a layer, in the file's attribute order; the layers may differ in
// constness (a copy reads one and writes the other).
template <typename Visit, typename... Layers>
void forEachLayerField(Visit&& visit, Layers&... layers)
{
    visit(Field<all>{"TypeID", Reading::none}, layers.typeId...);
    visit(Field<all>{"x"}, layers.x...);
    visit(Field<all>{"y"}, layers.y...);
    visit(Field<all>{"zoomx", Reading::positive}, layers.zoomx...);
    visit(Field<all>{"zoomy", Reading::positive}, layers.zoomy...);
    visit(Field<all>{"inverse"}, layers.inverse...);
    // Last, and only when not 0, so files without seeds keep their bytes.
    visit(Field<all>{"seed", Reading::seed}, layers.seed...);
    // The file holds one element per variable instead.
    visit(Field<copy | compare>{}, layers.variableCount...);
    // The view as last set and the size it was set at, from which a resize
    // derives the view (renderable.h). Not in the file: a file holds the
    // view shown, and a layer read from it takes that view as its reference.
    visit(Field<copy | compare>{}, layers.viewReference.x...);
    visit(Field<copy | compare>{}, layers.viewReference.y...);
    visit(Field<copy | compare>{}, layers.viewReference.zoomx...);
    visit(Field<copy | compare>{}, layers.viewReference.zoomy...);
    visit(Field<copy | compare>{}, layers.viewReference.width...);
    visit(Field<copy | compare>{}, layers.viewReference.height...);
    // What a copy needs to render on its own, which the user cannot change.
    visit(Field<copy>{}, layers.textureWidth...);
    visit(Field<copy>{}, layers.textureHeight...);
    visit(Field<copy>{}, layers.mapping...);
    visit(Field<copy>{}, layers.controls...);
    visit(Field<copy>{}, layers.host...);
    // The scene's Seamless setting as each layer evaluates by it: the
    // scene's settings compare it and the file holds it.
    visit(Field<copy>{}, layers.seamless...);
}

// The same for the fields of a variable. The file writes the maximum before
// the minimum.
template <typename Visit, typename... Variables>
void forEachVariableField(Visit&& visit, Variables&... variables)
{
    visit(Field<all>{"name", Reading::none}, variables.name...);
    visit(Field<all>{"MaxValue"}, variables.maxValue...);
    visit(Field<all>{"MinValue"}, variables.minValue...);
    visit(Field<all>{"OverrideValue"}, variables.overrideValue...);
}

template <typename F>
constexpr bool walks(unsigned walk)
{
    return (F::walks & walk) != 0;
}

} // namespace layerfields
