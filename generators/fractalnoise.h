#pragma once
#include "generators/seamless.h"
#include "layers/renderable.h"

// The "Fractal" layer: octaves of the 2-D gradient noise, each Lacunarity
// times the frequency and Gain times the amplitude of the one before, summed
// and divided by the sum of the amplitudes, then cut off and stretched by
// the Cutoff as the Noise layer does. Seamless, each octave comes from the
// seamless noise on the view's torus, scaled by the octave's frequency.
class FractalNoise : public Renderable {
public:
    explicit FractalNoise(int typeId) : Renderable(typeId) {}

    void createVariables() override;
    float valueAtPoint(float px, float py) const override;
    // Each octave of a row sampled on SIMD lanes, the variables a row at a
    // time.
    void valueRow(int y, int x0, int count, float* out, int step) const override;
    // The same at points.
    void valuePoints(const float* px, const float* py, int count, float* out) const override;

private:
    seamless::ColumnTurns columnTurns;   // a cache of the view, not state
};
