#include "generators/cellnoise.h"

#include "generators/celllanes.h"

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
    return celllanes::cellValue(xpos, ypos, variables[0].getValueAt(x, y), variables[1].getValueAt(x, y));
}

void CellNoise::valueRow(int y, int x0, int count, float* out) const
{
    // A fixed variable is passed as one value for the whole row.
    float jit[rowChunk], edges[rowChunk];
    int jitStep = 0, edgesStep = 0;
    jit[0] = variables[0].getValue();
    edges[0] = variables[1].getValue();
    if (variables[0].getInputLayer()) {
        variables[0].getValuesAtRow(y, x0, count, jit);
        jitStep = 1;
    }
    if (variables[1].getInputLayer()) {
        variables[1].getValuesAtRow(y, x0, count, edges);
        edgesStep = 1;
    }
    // out holds the layer x coordinates until each is replaced by its value.
    layerRowX(x0, count, out);
    celllanes::cellsRow(out, layerRowY(y), jit, jitStep, edges, edgesStep, count, out);
}
