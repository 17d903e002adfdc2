#pragma once
#include "layers/renderable.h"

// The "Terrace" layer: its Source brought from [Low, High] to [0, 1],
// clamped, then floored to Steps levels from 0 to 1 (contour steps). With
// one step it is a levels control that stretches a range of the Source to
// the full range. No pattern of its own: drive Source by the layer to shape.
class Terrace : public Renderable {
public:
    explicit Terrace(int typeId) : Renderable(typeId) {}

    void createVariables() override;
    float valueAtPoint(float px, float py) const override;
    void valueRow(int y, int x0, int count, float* out, int step) const override;
    void valuePoints(const float* px, const float* py, int count, float* out) const override;
};
