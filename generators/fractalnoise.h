#pragma once
#include "layers/renderable.h"

// The "Fractal" layer: octaves of the 2-D gradient noise, each Lacunarity
// times the frequency and Gain times the amplitude of the one before, summed
// and divided by the sum of the amplitudes, then cut off and stretched by
// the Cutoff as the Noise layer does.
class FractalNoise : public Renderable {
public:
    explicit FractalNoise(int typeId) : Renderable(typeId) {}

    void createVariables() override;
    float valueAt(int x, int y) const override;
    // Each octave of a row sampled on SIMD lanes, the variables a row at a
    // time.
    void valueRow(int y, int x0, int count, float* out) const override;
};
