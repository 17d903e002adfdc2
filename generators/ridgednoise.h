#pragma once
#include "generators/seamless.h"
#include "layers/renderable.h"

// The "Ridged" layer: octaves of the 2-D gradient noise as Fractal takes
// them, each folded into a ridge, (1 - |n|)^2, highest where the noise
// crosses 0; summed with the octaves' amplitudes, divided by their sum and
// clamped. Seamless, each octave comes from the seamless noise as Fractal's.
class RidgedNoise : public Renderable {
public:
    explicit RidgedNoise(int typeId) : Renderable(typeId) {}

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
