#pragma once
#include "generators/seamless.h"
#include "layers/renderable.h"

// The "Noise" layer: a slice of the 2-D gradient noise field, with the part
// at or below the Cutoff set to 0 and the part above it stretched to [0, 1].
// Seamless, the slice is taken from the 4-D noise on a torus instead.
class NoiseSlice : public Renderable {
public:
    explicit NoiseSlice(int typeId) : Renderable(typeId) {}

    void createVariables() override;
    float valueAtPoint(float px, float py) const override;
    // The noise of a row on SIMD lanes, the Cutoff a row at a time.
    void valueRow(int y, int x0, int count, float* out, int step) const override;
    // The same at points.
    void valuePoints(const float* px, const float* py, int count, float* out) const override;

private:
    // The seamless noise of a row, from the layer x coordinates in out.
    void torusRow(int y, int x0, int count, float* out, int step) const;

    seamless::ColumnTurns columnTurns;   // a cache of the view, not state
};
