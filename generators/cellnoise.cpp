#include "generators/cellnoise.h"

#include "generators/celllanes.h"

#include <cmath>

void CellNoise::createVariables()
{
    variables[0].init(this, "Jitter", 1.0f, 1.0f, 0.0f);
    variables[1].init(this, "Edges", 0.0f, 1.0f, 0.0f);
    variableCount = 2;
}

float CellNoise::valueAtPoint(float px, float py) const
{
    float xpos = px;
    float ypos = py;
    mapping.windowToLayer(xpos, ypos);
    const float jit = variables[0].getValueAtPoint(px, py);
    const float e = variables[1].getValueAtPoint(px, py);
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

void CellNoise::valuePoints(const float* px, const float* py, int count, float* out) const
{
    // A fixed variable is passed as one value for all points.
    float jit[rowChunk], edges[rowChunk], ys[rowChunk];
    int jitStep = 0, edgesStep = 0;
    jit[0] = variables[0].getValue();
    edges[0] = variables[1].getValue();
    if (variables[0].getInputLayer()) {
        variables[0].getValuesAtPoints(px, py, count, jit);
        jitStep = 1;
    }
    if (variables[1].getInputLayer()) {
        variables[1].getValuesAtPoints(px, py, count, edges);
        edgesStep = 1;
    }
    // out holds the layer x coordinates until each is replaced by its value.
    layerPoints(px, py, count, out, ys);
    if (seamless)
        celllanes::fittedCellsPoints(noiseTables(), celllanes::FittedCells(zoomx, zoomy), out, ys, jit, jitStep, edges,
                                     edgesStep, count, out);
    else
        celllanes::cellsPoints(noiseTables(), out, ys, jit, jitStep, edges, edgesStep, count, out);
}
