#include "generators/combine.h"

#include "generators/shapinglanes.h"
#include "generators/variablerun.h"

void Combine::createVariables()
{
    variables[0].init(this, "A", 0.5f, 1.0f, 0.0f);
    variables[1].init(this, "B", 0.5f, 1.0f, 0.0f);
    variables[2].init(this, "Mode", 0.0f, 6.0f, 0.0f);
    variableCount = 3;
}

float Combine::valueAtPoint(float px, float py) const
{
    const float a = variables[0].getValueAtPoint(px, py);
    const float b = variables[1].getValueAtPoint(px, py);
    const int m = shapinglanes::wholeNumber(variables[2].getValueAtPoint(px, py), 0, shapinglanes::modeCount - 1);
    return shapinglanes::combine(a, b, m);
}

void Combine::valueRow(int y, int x0, int count, float* out, int step) const
{
    // out holds A's values until each is replaced by its own.
    float b[rowChunk], mode[rowChunk];
    const VariableRun a = readRun(variables[0], y, x0, count, step, out);
    const VariableRun bRun = readRun(variables[1], y, x0, count, step, b);
    const VariableRun m = readRun(variables[2], y, x0, count, step, mode);
    shapinglanes::combineRow(a.values, a.step, bRun.values, bRun.step, m.values, m.step, count, out);
}

void Combine::valuePoints(const float* px, const float* py, int count, float* out) const
{
    float b[rowChunk], mode[rowChunk];
    const VariableRun a = readPoints(variables[0], px, py, count, out);
    const VariableRun bRun = readPoints(variables[1], px, py, count, b);
    const VariableRun m = readPoints(variables[2], px, py, count, mode);
    shapinglanes::combineRow(a.values, a.step, bRun.values, bRun.step, m.values, m.step, count, out);
}

const char* Combine::valueName(int index, float value) const
{
    if (index != 2) return nullptr;
    return shapinglanes::modeNames[shapinglanes::wholeNumber(value, 0, shapinglanes::modeCount - 1)];
}
