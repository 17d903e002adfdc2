#pragma once
#include "layers/layervariable.h"

// A variable's values along a run of pixels of a row, as the kernels of
// shapinglanes.h take them: its fixed value once (step 0), or, driven, its
// input's values pixel by pixel in buffer (step 1).
struct VariableRun {
    const float* values;
    int step;
};

inline VariableRun readRun(const LayerVariable& variable, int y, int x0, int count, int pixelStep, float* buffer)
{
    if (!variable.getInputLayer()) return {&variable.overrideValue, 0};
    variable.getValuesAtRow(y, x0, count, buffer, pixelStep);
    return {buffer, 1};
}
