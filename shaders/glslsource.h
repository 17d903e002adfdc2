#pragma once
// A layer and the tree below it as GLSL source that computes its values:
// the function
//
//     float patternlens(vec2 pixel, vec2 size)
//
// gives the layer's value (Inverse applied, before any rounding: what a
// float render holds) at texture pixel `pixel` (column, row; row 0 at the
// bottom, as floor(gl_FragCoord.xy)) of a picture of `size` pixels, the
// picture patternlens-render writes at that size.
//
// The source is self-contained: one function per layer, the permutation of
// every seed in use as a constant array, the helpers of library.glsl that
// the types need, and the views in a uniform array, patternlensViews, one
// vec4 (x, y, zoomx, zoomy) per layer in tree order, which a host program
// changes to pan and zoom any layer. It follows each type's scalar
// definition operation for operation, with `precise` against fused
// multiply-add where the language has it (GLSL 4.00, or GL_ARB_gpu_shader5);
// GLSL ES 3.00 has none.
#include <string>
#include <vector>

class Renderable;

namespace glslsource {

struct Options {
    bool es = false;          // GLSL ES 3.00 (WebGL 2, mobile) instead of GLSL 3.30 core
    std::string sceneName;    // the scene's file name, for the header; empty: none
    std::string layerPath;    // the variable path of the layer from the base layer, for the header
    int width = 0, height = 0;   // the picture size the header's example calls with
};

// The layers of top's tree in the order of patternlensViews: top first, then
// each variable's input and its tree, variable by variable. path is the
// variable path below top ("" for top).
struct Slot {
    const Renderable* layer;
    std::string path;
};
std::vector<Slot> slots(const Renderable& top);

// The source for top and its tree, evaluated as top's seamless setting says.
std::string source(const Renderable& top, const Options& options);

// A float as GLSL writes it, exactly (nine digits at most); non-finite
// values as their bits.
std::string floatText(float value);

} // namespace glslsource
