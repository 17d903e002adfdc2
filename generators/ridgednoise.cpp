#include "generators/ridgednoise.h"

#include "generators/octavesum.h"
#include "generators/patternlanes.h"

void RidgedNoise::createVariables()
{
    variables[0].init(this, "Octaves", 4.0f, 8.0f, 1.0f);
    variables[1].init(this, "Lacunarity", 2.0f, 4.0f, 1.0f);
    variables[2].init(this, "Gain", 0.5f, 1.0f, 0.0f);
    variableCount = 3;
}

float RidgedNoise::valueAtPoint(float px, float py) const
{
    return patternlanes::clampUnit(octavesum::at(*this, px, py, patternlanes::Fold::ridge));
}

void RidgedNoise::valueRow(int y, int x0, int count, float* out, int step) const
{
    octavesum::row(*this, columnTurns, y, x0, count, out, step, patternlanes::Fold::ridge);
    patternlanes::clampUnitRow(count, out);
}

void RidgedNoise::valuePoints(const float* px, const float* py, int count, float* out) const
{
    octavesum::points(*this, px, py, count, out, patternlanes::Fold::ridge);
    patternlanes::clampUnitRow(count, out);
}
