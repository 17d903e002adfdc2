#pragma once
#include "layers/layervariable.h"

// A variable's values along a run of pixels of a row or a list of points, as
// the kernels of shapinglanes.h take them: its fixed value once (step 0),
// or, driven, its input's values one by one in buffer (step 1).
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

// buffer must not be px or py.
inline VariableRun readPoints(const LayerVariable& variable, const float* px, const float* py, int count, float* buffer)
{
    if (!variable.getInputLayer()) return {&variable.overrideValue, 0};
    variable.getValuesAtPoints(px, py, count, buffer);
    return {buffer, 1};
}
