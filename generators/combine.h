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
    float valueAt(int x, int y) const override;
    void valueRow(int y, int x0, int count, float* out, int step) const override;
    const char* valueName(int index, float value) const override;
};
