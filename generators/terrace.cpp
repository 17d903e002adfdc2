#include "generators/terrace.h"

#include "generators/shapinglanes.h"
#include "generators/variablerun.h"

void Terrace::createVariables()
{
    variables[0].init(this, "Source", 0.5f, 1.0f, 0.0f);
    variables[1].init(this, "Low", 0.0f, 1.0f, 0.0f);
    variables[2].init(this, "High", 1.0f, 1.0f, 0.0f);
    variables[3].init(this, "Steps", 8.0f, 32.0f, 1.0f);
    variableCount = 4;
}

float Terrace::valueAtPoint(float px, float py) const
{
    const float s = variables[0].getValueAtPoint(px, py);
    const float lo = variables[1].getValueAtPoint(px, py);
    const float hi = variables[2].getValueAtPoint(px, py);
    const int k = shapinglanes::wholeNumber(variables[3].getValueAtPoint(px, py), 1, shapinglanes::maxSteps);
    return shapinglanes::terrace(s, lo, hi, k);
}

void Terrace::valueRow(int y, int x0, int count, float* out, int step) const
{
    // out holds the Source's values until each is replaced by its own.
    float lo[rowChunk], hi[rowChunk], steps[rowChunk];
    const VariableRun s = readRun(variables[0], y, x0, count, step, out);
    const VariableRun low = readRun(variables[1], y, x0, count, step, lo);
    const VariableRun high = readRun(variables[2], y, x0, count, step, hi);
    const VariableRun k = readRun(variables[3], y, x0, count, step, steps);
    shapinglanes::terraceRow(s.values, s.step, low.values, low.step, high.values, high.step, k.values, k.step, count,
                             out);
}

void Terrace::valuePoints(const float* px, const float* py, int count, float* out) const
{
    float lo[rowChunk], hi[rowChunk], steps[rowChunk];
    const VariableRun s = readPoints(variables[0], px, py, count, out);
    const VariableRun low = readPoints(variables[1], px, py, count, lo);
    const VariableRun high = readPoints(variables[2], px, py, count, hi);
    const VariableRun k = readPoints(variables[3], px, py, count, steps);
    shapinglanes::terraceRow(s.values, s.step, low.values, low.step, high.values, high.step, k.values, k.step, count,
                             out);
}
