#include "generators/cellnoise.h"

#include "generators/celllanes.h"

#include <cmath>

void CellNoise::createVariables()
{
    variables[0].init(this, "Jitter", 1.0f, 1.0f, 0.0f);
    variables[1].init(this, "Edges", 0.0f, 1.0f, 0.0f);
    variableCount = 2;
}

float CellNoise::valueAt(int x, int y) const
{
    float xpos = static_cast<float>(x);
    float ypos = static_cast<float>(y);
    mapping.windowToLayer(xpos, ypos);
    const float jit = variables[0].getValueAt(x, y);
    const float e = variables[1].getValueAt(x, y);
    if (seamless) return celllanes::FittedCells(zoomx, zoomy).value(noiseTables(), xpos, ypos, jit, e);
    return celllanes::cellValue(noiseTables(), xpos, ypos, jit, e);
}

void CellNoise::valueRow(int y, int x0, int count, float* out, int step) const
{
    // A fixed variable is passed as one value for the whole row.
    float jit[rowChunk], edges[rowChunk];
    int jitStep = 0, edgesStep = 0;
    jit[0] = variables[0].getValue();
    edges[0] = variables[1].getValue();
    if (variables[0].getInputLayer()) {
        variables[0].getValuesAtRow(y, x0, count, jit, step);
        jitStep = 1;
    }
    if (variables[1].getInputLayer()) {
        variables[1].getValuesAtRow(y, x0, count, edges, step);
        edgesStep = 1;
    }
    // out holds the layer x coordinates until each is replaced by its value.
    layerRowX(x0, count, out, step);
    const float ypos = layerRowY(y);
    if (seamless)
        celllanes::fittedCellsRow(noiseTables(), celllanes::FittedCells(zoomx, zoomy), out, ypos, jit, jitStep, edges,
                                  edgesStep, count, out);
    else
        celllanes::cellsRow(noiseTables(), out, ypos, jit, jitStep, edges, edgesStep, count, out);
}
