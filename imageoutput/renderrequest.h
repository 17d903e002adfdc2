#pragma once
// What a render asks of a composition besides the file's format: the size of
// the whole image, the layer, the rectangle of the image, and the scene
// settings it overrides. patternlens-render's options and the Python
// module's arguments fill the same request and prepare the composition with
// the same function, so both render the same picture from the same words.
// A new option of a render (a seed, say) is a new field here.
#include "layers/composition.h"
#include "imageoutput/imagerender.h"

#include <cstdint>
#include <string>

namespace renderrequest {

// A scene setting as the request leaves it: as the scene has it, or forced.
enum class Override { keep, on, off };

struct Request {
    // The whole image, each side 1 to ImageEncoder::maxSide: the layers'
    // texture size, which decides their mapping.
    long long width = 0, height = 0;
    // The variables from the base layer down to the layer rendered
    // (layerpath::find); empty: the base layer.
    std::string layerPath;
    // All zero: the whole image.
    imagewriter::Region region;
    Override seamless = Override::keep;
    // Added to every layer's seed, modulo 2^32, for this render only; 0
    // renders the scene's own seeds.
    std::uint32_t seed = 0;
    // The picture keeps the aspect of the drawing area the scene was made
    // in (viewresize::resizeKeepingAspect, with the whole image's size, so
    // regions still join); else every view spans the image.
    bool keepAspect = false;
};

// What was wrong with a request, so that a caller can tell a bad size from
// a bad layer path.
enum class Fault { none, size, region, layer };

struct Prepared {
    const Renderable* layer = nullptr;   // inside the composition prepared; null on a fault
    Fault fault = Fault::none;
    std::string error;                   // why, on a fault
};

// Why an image of width x height cannot be made, or an empty string.
std::string sizeError(long long width, long long height);

// Checks the request, then gives composition its settings and every layer
// the image's size (each keeping its view) and finds the layer to render.
// The composition is changed in place: a caller that keeps its own prepares
// a copy. Nothing is changed on a fault of size or region.
Prepared prepare(Composition& composition, const Request& request);

} // namespace renderrequest
