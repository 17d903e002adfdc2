#pragma once
#include "layers/renderable.h"

// The "Cells" layer: cellular noise. Each unit cell of the layer plane holds
// one feature point, moved from the cell's centre by up to Jitter / 2 along
// each axis; a point's value grows with its distance F1 to the nearest
// feature point, and Edges turns it towards F2 - F1, dark where two cells
// meet. Seamless, a whole number of cells fits across each extent and the
// cells repeat over it.
class CellNoise : public Renderable {
public:
    explicit CellNoise(int typeId) : Renderable(typeId) {}

    void createVariables() override;
    float valueAtPoint(float px, float py) const override;
    // A row on SIMD lanes (celllanes.h), flat or fitted cells.
    void valueRow(int y, int x0, int count, float* out, int step) const override;
    // Points on SIMD lanes, each hashing its own cells.
    void valuePoints(const float* px, const float* py, int count, float* out) const override;
};
