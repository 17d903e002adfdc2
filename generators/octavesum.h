#pragma once
// The octave sum of the layer types that sum octaves of the noise (Fractal,
// Ridged), whose variables 0, 1 and 2 are Octaves, Lacunarity and Gain: at a
// point, for a row and for a list of points on SIMD lanes, flat or seamless
// (patternlanes.h).
#include "generators/patternlanes.h"
#include "generators/seamless.h"

class Renderable;

namespace octavesum {

// The sum at point (px, py) of the texture's pixel plane, the variables
// read there.
float at(const Renderable& layer, float px, float py, patternlanes::Fold fold);

// The sums of pixels x0, x0 + step, .. of row y into out, bit for bit those
// of at. turns caches the layer's column turns for the seamless form.
void row(const Renderable& layer, const seamless::ColumnTurns& turns, int y, int x0, int count, float* out, int step,
         patternlanes::Fold fold);

// The sums at points (px[k], py[k]) into out, bit for bit those of at.
// out must not be px or py.
void points(const Renderable& layer, const float* px, const float* py, int count, float* out, patternlanes::Fold fold);

} // namespace octavesum
