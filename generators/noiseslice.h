#pragma once
#include "layers/renderable.h"

// The "Noise" layer: a slice of the 2-D gradient noise field, with the part
// at or below the Cutoff set to 0 and the part above it stretched to [0, 1].
class NoiseSlice : public Renderable {
public:
    explicit NoiseSlice(int typeId) : Renderable(typeId) {}

    void createVariables() override;
    float valueAt(int x, int y) const override;
    // The noise of a row on SIMD lanes, the Cutoff a row at a time.
    void valueRow(int y, int x0, int count, float* out, int step) const override;
};
