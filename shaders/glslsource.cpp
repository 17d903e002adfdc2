#include "shaders/glslsource.h"

#include "generators/noisetables.h"
#include "generators/seamless.h"
#include "generators/seedtables.h"
#include "layers/layerpath.h"
#include "layers/renderable.h"
#include "persistence/numbertext.h"
#include "shaders/embeddedtext.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <sstream>

namespace glslsource {

namespace {

// The sections of library.glsl: its text cut at each "//# name: needs"
// line, in the file's order, which puts every section after those it needs.
struct Section {
    std::string name;
    std::vector<std::string> needs;
    std::string text;
};

const std::vector<Section>& library()
{
    static const std::vector<Section> sections = [] {
        std::vector<Section> parsed;
        std::istringstream in(embeddedtext::glslLibrary);
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("//# ", 0) == 0) {
                Section section;
                std::istringstream words(line.substr(4));
                words >> section.name;
                if (!section.name.empty() && section.name.back() == ':') section.name.pop_back();
                for (std::string need; words >> need;) section.needs.push_back(need);
                parsed.push_back(section);
            } else if (!parsed.empty()) {
                parsed.back().text += line + "\n";
            }
        }
        return parsed;
    }();
    return sections;
}

// The single-precision constants of the noise, from the very floats the
// engine computes with.
std::string constants()
{
    namespace nt = GradientNoise::noisetables;
    const float g4 = nt::G4;
    const std::pair<const char*, float> values[] = {
        {"PL_F2", nt::F2},
        {"PL_G2", nt::G2},
        {"PL_G2_2", 2.0f * nt::G2},
        {"PL_SCALE2", nt::scale2},
        {"PL_F4", nt::F4},
        {"PL_G4", g4},
        {"PL_G4_2", 2.0f * g4},
        {"PL_G4_3", 3.0f * g4},
        {"PL_G4_4", 4.0f * g4},
        {"PL_TWO_PI", static_cast<float>(6.283185307179586476925286766559)},
        {"PL_NOISE_GAIN", seamless::noiseGain},
    };
    std::string text;
    for (const auto& [name, value] : values) text += std::string("const float ") + name + " = " + floatText(value) + ";\n";
    return text;
}

// A float in an expression: negative ones in parentheses.
std::string term(float value)
{
    const std::string text = floatText(value);
    return text[0] == '-' ? "(" + text + ")" : text;
}


std::string typeName(const Renderable& layer)
{
    return layerpath::typeName(layer);
}

class Writer {
public:
    Writer(const Renderable& top, const Options& options) : options(options), order(slots(top))
    {
        for (std::size_t k = 0; k < order.size(); ++k) index[order[k].layer] = static_cast<int>(k);
    }

    std::string write()
    {
        // Inputs come after their layer in tree order, so writing the
        // functions from the last layer back defines each before its use.
        std::string functions;
        for (std::size_t k = order.size(); k-- > 0;) functions += layerFunction(*order[k].layer, static_cast<int>(k));
        // GLSL ES wants the version on the first line.
        std::string text = version() + header() + preamble();
        if (need("lattice")) text += constants() + permutations();
        text += views();
        text += "vec2 plSize;\n\n";
        text += helpers();
        text += functions;
        text += "// The value of the layer at texture pixel `pixel` of a picture of `size` pixels.\n"
                "float patternlens(vec2 pixel, vec2 size)\n{\n    plSize = size;\n    return plLayer0(pixel);\n}\n";
        return text;
    }

private:
    const Options& options;
    std::vector<Slot> order;
    std::map<const Renderable*, int> index;
    std::set<std::string> needed;
    std::vector<std::uint32_t> seeds;   // the tables, in order of first use

    bool need(const std::string& name) const { return needed.count(name) != 0; }

    void use(const std::string& name)
    {
        if (!needed.insert(name).second) return;
        for (const Section& section : library())
            if (section.name == name)
                for (const std::string& other : section.needs) use(other);
    }

    // The offset of the layer's permutation in plPermutations.
    int table(const Renderable& layer)
    {
        std::size_t k = 0;
        while (k < seeds.size() && seeds[k] != layer.seed) ++k;
        if (k == seeds.size()) seeds.push_back(layer.seed);
        return static_cast<int>(k) * 256;
    }

    std::string header() const
    {
        std::ostringstream h;
        const std::string scene = options.sceneName.empty() ? "a Patternlens scene" : "\"" + options.sceneName + "\"";
        const std::string what = options.layerPath.empty() ? "the base layer" : "the layer \"" + options.layerPath + "\"";
        h << "// Patternlens: " << what << " of " << scene << " as "
          << (options.es ? "GLSL ES 3.00 (WebGL 2)" : "GLSL 3.30 core") << " source, written by Patternlens.\n"
          << "//\n"
          << "// float patternlens(vec2 pixel, vec2 size) gives the pattern's value, 0 to 1 (Inverse applied,\n"
          << "// before any rounding), at texture pixel `pixel` (column, row; row 0 at the bottom, whole numbers\n"
          << "// such as floor(gl_FragCoord.xy)) of a picture of `size` pixels: the values patternlens-render\n"
          << "// gives at that size. Append your own main, for example:\n"
          << "//\n"
          << "//     out vec4 colour;\n"
          << "//     void main()\n"
          << "//     {\n"
          << "//         float v = patternlens(floor(gl_FragCoord.xy), vec2(" << options.width << ".0, "
          << options.height << ".0));\n"
          << "//         colour = vec4(v, v, v, 1.0);\n"
          << "//     }\n"
          << "//\n"
          << "// uniform vec4 patternlensViews[" << order.size() << "] holds each layer's view: x, y (the centre)\n"
          << "// and zoomx, zoomy (the extents), in layer units. Texture pixel (i, j) shows the layer point\n"
          << "// (x - zoomx/2 + zoomx i/width, y - zoomy/2 - zoomy j/height). To move a layer's view by\n"
          << "// (dx, dy) pixels (dy down the screen), add dx zoomx/width to x and subtract dy zoomy/height\n"
          << "// from y, for the layers below it as well; to zoom, scale zoomx and zoomy. "
          << (options.es ? "Set it to these views:\n" : "It starts with these views:\n");
        for (std::size_t k = 0; k < order.size(); ++k) {
            const Renderable& layer = *order[k].layer;
            h << "//     " << k << ": " << viewText(layer) << "  " << typeName(layer)
              << (order[k].path.empty() ? "" : " at \"" + order[k].path + "\"") << "\n";
        }
        h << "//\n";
        h << (options.es ? "// GLSL ES has no `precise`: a GPU that fuses multiply-adds may differ in the last bits.\n"
                         : "// With `precise` (GLSL 4.00, or GL_ARB_gpu_shader5) the arithmetic is the renderer's, bit for\n"
                           "// bit; without it a GPU that fuses multiply-adds may differ in the last bits.\n");
        if (order.front().layer->seamless)
            h << "// Seamless: the noise's turns use the GPU's cos and sin, which may differ in the last bits.\n";
        h << "\n";
        return h.str();
    }

    std::string version() const { return options.es ? "#version 300 es\n" : "#version 330 core\n"; }

    std::string preamble() const
    {
        if (options.es) return "precision highp float;\nprecision highp int;\n#define PL_PRECISE\n\n";
        return "#extension GL_ARB_gpu_shader5 : enable\n"
               "#if defined(GL_ARB_gpu_shader5) || __VERSION__ >= 400\n"
               "#define PL_PRECISE precise\n"
               "#define PL_EXACT_TURNS\n"
               "#else\n"
               "#define PL_PRECISE\n"
               "#endif\n\n";
    }

    static std::string viewText(const Renderable& layer)
    {
        return "vec4(" + floatText(layer.x) + ", " + floatText(layer.y) + ", " + floatText(layer.zoomx) + ", " +
               floatText(layer.zoomy) + ")";
    }

    std::string views() const
    {
        const std::string count = std::to_string(order.size());
        if (options.es) return "uniform vec4 patternlensViews[" + count + "];\n";
        std::string text = "uniform vec4 patternlensViews[" + count + "] = vec4[" + count + "](\n";
        for (std::size_t k = 0; k < order.size(); ++k)
            text += "    " + viewText(*order[k].layer) + (k + 1 < order.size() ? ",\n" : ");\n");
        return text;
    }

    std::string permutations() const
    {
        const std::string count = std::to_string(256 * seeds.size());
        std::string text = "const int plPermutations[" + count + "] = int[" + count + "](";
        for (std::size_t k = 0; k < seeds.size(); ++k) {
            std::uint8_t p[256];
            seedtables::permutation(seeds[k], p);
            text += "\n    // seed " + std::to_string(seeds[k]) + "\n   ";
            for (int i = 0; i < 256; ++i) {
                text += " " + std::to_string(p[i]) + (k + 1 == seeds.size() && i == 255 ? "" : ",");
                if (i % 24 == 23 && i != 255) text += "\n   ";
            }
        }
        return text + ");\n\n";
    }

    std::string helpers() const
    {
        std::string text;
        for (const Section& section : library())
            if (need(section.name)) text += section.text;
        return text + "\n";
    }

    // Declares `name`, the layer's variable i at the point `point` (a vec2
    // expression): its fixed value, or its input's value brought onto its
    // range.
    std::string variable(const Renderable& layer, int i, const std::string& name, const std::string& point)
    {
        const LayerVariable& v = layer.variables[i];
        if (const Renderable* input = v.getInputLayer())
            return "    PL_PRECISE float " + name + " = plScale(" + term(v.minValue) + ", " + term(v.maxValue) +
                   ", plLayer" + std::to_string(index.at(input)) + "(" + point + "));\n";
        return "    PL_PRECISE float " + name + " = " + floatText(v.overrideValue) + ";\n";
    }

    bool driven(const Renderable& layer, int i) const { return layer.variables[i].getInputLayer() != nullptr; }

    // The statements that compute the layer's value v at point p.
    std::string body(const Renderable& layer)
    {
        const bool seamless = layer.seamless;
        std::string text;
        std::string call;
        switch (layer.typeId) {
        case 0:   // Noise
            use(seamless ? "torus-noise" : "noise");
            text += variable(layer, 0, "cutoff", "p");
            call = std::string(seamless ? "plTorusNoise(" : "plNoise(") + std::to_string(table(layer)) +
                   ", view, p, cutoff)";
            break;
        case 1:   // Squares: the Width at the pixel of the cell's corner
            use(seamless ? "fitted-squares" : "squares");
            if (driven(layer, 0))
                text += std::string("    vec2 corner = ") + (seamless ? "plFittedSquareCorner" : "plSquareCorner") +
                        "(view, p);\n";
            text += variable(layer, 0, "width", "corner");
            call = std::string(seamless ? "plFittedSquares" : "plSquares") + "(view, p, width)";
            break;
        case 2: {   // Circles: flat, the variables at the truncated layer point
            use("circles");
            const bool atPoint = !seamless && (driven(layer, 0) || driven(layer, 1));
            if (atPoint) text += "    vec2 point = plCirclePoint(view, p);\n";
            text += variable(layer, 0, "radius", seamless ? "p" : "point");
            text += variable(layer, 1, "spacing", seamless ? "p" : "point");
            call = std::string(seamless ? "plFittedCircles" : "plCircles") + "(view, p, radius, spacing)";
            break;
        }
        case 3:   // Fractal
            use(seamless ? "torus-fractal" : "fractal");
            text += variable(layer, 0, "octaves", "p");
            text += variable(layer, 1, "lacunarity", "p");
            text += variable(layer, 2, "gain", "p");
            text += variable(layer, 3, "cutoff", "p");
            call = std::string(seamless ? "plTorusFractal(" : "plFractal(") + std::to_string(table(layer)) +
                   ", view, p, octaves, lacunarity, gain, cutoff)";
            break;
        case 4:   // Cells
            use(seamless ? "fitted-cells" : "cells");
            text += variable(layer, 0, "jitter", "p");
            text += variable(layer, 1, "edges", "p");
            call = std::string(seamless ? "plFittedCells(" : "plCells(") + std::to_string(table(layer)) +
                   ", view, p, jitter, edges)";
            break;
        case 5:   // Blend
            use("blend");
            text += variable(layer, 0, "a", "p");
            text += variable(layer, 1, "b", "p");
            text += variable(layer, 2, "mix", "p");
            call = "plBlend(a, b, mix)";
            break;
        case 6:   // Warp: the Source read at the point the warps move p to
            use("warp");
            text += variable(layer, 1, "warpX", "p");
            text += variable(layer, 2, "warpY", "p");
            text += variable(layer, 3, "amount", "p");
            text += "    vec3 moved = plWarpPoint(p, warpX, warpY, amount);\n";
            text += variable(layer, 0, "source", "moved.xy");
            call = "plWarp(moved, source)";
            break;
        case 7:   // Ridged
            use(seamless ? "torus-ridged" : "ridged");
            text += variable(layer, 0, "octaves", "p");
            text += variable(layer, 1, "lacunarity", "p");
            text += variable(layer, 2, "gain", "p");
            call = std::string(seamless ? "plTorusRidged(" : "plRidged(") + std::to_string(table(layer)) +
                   ", view, p, octaves, lacunarity, gain)";
            break;
        case 8:   // Terrace
            use("terrace");
            text += variable(layer, 0, "source", "p");
            text += variable(layer, 1, "low", "p");
            text += variable(layer, 2, "high", "p");
            text += variable(layer, 3, "steps", "p");
            call = "plTerrace(source, low, high, steps)";
            break;
        case 9:   // Combine
            use("combine");
            text += variable(layer, 0, "a", "p");
            text += variable(layer, 1, "b", "p");
            text += variable(layer, 2, "mode", "p");
            call = "plCombine(a, b, mode)";
            break;
        case 10:   // Gradient
            use("gradient");
            text += variable(layer, 0, "shape", "p");
            text += variable(layer, 1, "softness", "p");
            call = std::string("plGradient(view, p, ") + (seamless ? "true" : "false") + ", shape, softness)";
            break;
        default:
            call = "0.0";
            break;
        }
        return text + "    PL_PRECISE float v = " + call + ";\n";
    }

    std::string layerFunction(const Renderable& layer, int k)
    {
        use("unit");
        const Slot& slot = order[static_cast<std::size_t>(k)];
        std::string text = "// " + std::to_string(k) + ": " + typeName(layer) +
                           (slot.path.empty() ? "" : " at \"" + slot.path + "\"") + "\n";
        text += "float plLayer" + std::to_string(k) + "(vec2 p)\n{\n";
        text += "    vec4 view = patternlensViews[" + std::to_string(k) + "];\n";
        text += body(layer);
        text += layer.inverse ? "    return plInverse(v);\n}\n\n" : "    return v;\n}\n\n";
        return text;
    }
};

} // namespace

std::vector<Slot> slots(const Renderable& top)
{
    // The tree walk's order (treewalk.h), keeping each layer's path.
    std::vector<Slot> order;
    std::vector<Slot> pending{{&top, ""}};
    while (!pending.empty()) {
        const Slot slot = pending.back();
        pending.pop_back();
        order.push_back(slot);
        const Renderable& layer = *slot.layer;
        for (int i = layer.variableCount - 1; i >= 0; --i)
            if (const Renderable* input = layer.variables[i].getInputLayer())
                pending.push_back({input, slot.path + (slot.path.empty() ? "" : "/") + layer.variables[i].getName()});
    }
    return order;
}

std::string source(const Renderable& top, const Options& options)
{
    return Writer(top, options).write();
}

std::string floatText(float value)
{
    if (!std::isfinite(value)) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        char text[40];
        std::snprintf(text, sizeof text, "uintBitsToFloat(0x%08xu)", static_cast<unsigned>(bits));
        return text;
    }
    std::string text = numbertext::formatExact(value);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

} // namespace glslsource
