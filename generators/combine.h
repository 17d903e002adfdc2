#pragma once
#include "layers/renderable.h"

// The "Combine" layer: A and B combined by one of seven modes (Add,
// Subtract, Multiply, Minimum, Maximum, Difference, Screen) chosen by the
// whole number of Mode, clamped. No pattern of its own: drive A and B by the
// layers to combine (a flat grey without inputs).
class Combine : public Renderable {
public:
    explicit Combine(int typeId) : Renderable(typeId) {}

    void createVariables() override;
    float valueAtPoint(float px, float py) const override;
    void valueRow(int y, int x0, int count, float* out, int step) const override;
    void valuePoints(const float* px, const float* py, int count, float* out) const override;
    const char* valueName(int index, float value) const override;
};
