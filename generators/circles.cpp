#include "generators/circles.h"

#include "generators/cellmath.h"
#include "layers/saturate.h"

void Circles::createVariables()
{
    variables[0].init(this, "Radius", 2.0f, 10.0f, 0.001f);
    variables[1].init(this, "Spacing", 2.0f, 10.0f, 0.001f);
    variableCount = 2;
}

float Circles::valueAt(int x, int y) const
{
    float xpos = static_cast<float>(x);
    float ypos = static_cast<float>(y);
    mapping.windowToLayer(xpos, ypos);
    return insideCircle(xpos, ypos) ? 1.0f : 0.0f;
}

bool Circles::insideCircle(float xpos, float ypos) const
{
    // The variables are read at the truncated layer coordinates, not at the
    // point's texture pixel: a driven Radius or Spacing therefore follows the
    // input layer's pixels around the layer origin, whatever this view shows.
    const int px = saturatingTrunc(xpos);
    const int py = saturatingTrunc(ypos);
    const float r = variables[0].getValueAt(px, py);
    const float s = variables[1].getValueAt(px, py);
    const float period = 2.0f * r + s;
    const float u = wrapPositive(xpos, period);
    const float v = wrapPositive(ypos, period);
    const float du = u - r;
    const float dv = v - r;
    return r * r > du * du + dv * dv;
}
