#pragma once
#include "layers/renderable.h"

// The "Blend" layer: A + (B - A) Mix, clamped to [0, 1]. It has no pattern
// of its own: drive A and B by layers to mix them, Mix by a third to mix
// them differently from place to place. Without inputs it is a flat grey.
class Blend : public Renderable {
public:
    explicit Blend(int typeId) : Renderable(typeId) {}

    void createVariables() override;
    float valueAtPoint(float px, float py) const override;
    void valueRow(int y, int x0, int count, float* out, int step) const override;
    void valuePoints(const float* px, const float* py, int count, float* out) const override;
};
