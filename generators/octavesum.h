#pragma once
// The octave sum of the layer types that sum octaves of the noise (Fractal,
// Ridged), whose variables 0, 1 and 2 are Octaves, Lacunarity and Gain: at a
// pixel, and for a row on SIMD lanes, flat or seamless (patternlanes.h).
#include "generators/patternlanes.h"
#include "generators/seamless.h"

class Renderable;

namespace octavesum {

// The sum at texture pixel (x, y), the variables read there.
float at(const Renderable& layer, int x, int y, patternlanes::Fold fold);

// The sums of pixels x0, x0 + step, .. of row y into out, bit for bit those
// of at. turns caches the layer's column turns for the seamless form.
void row(const Renderable& layer, const seamless::ColumnTurns& turns, int y, int x0, int count, float* out, int step,
         patternlanes::Fold fold);

} // namespace octavesum
