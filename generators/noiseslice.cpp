#include "generators/noiseslice.h"

#include "generators/gradientnoise.h"

void NoiseSlice::createVariables()
{
    variables[0].init(this, "Cutoff", 0.5f, 1.0f, -1.0f);
    variableCount = 1;
}

float NoiseSlice::valueAt(int x, int y) const
{
    float xpos = static_cast<float>(x);
    float ypos = static_cast<float>(y);
    mapping.windowToLayer(xpos, ypos);
    const float n = GradientNoise::sample2(xpos, ypos);
    // The Cutoff is read at the texture pixel, so an input layer driving it
    // lines up pixel for pixel with this layer.
    const float cut = variables[0].getValueAt(x, y);
    const float h = (n + 1.0f) * 0.5f;
    if (!(h > cut)) return 0.0f;
    // At Cutoff 1 the factor is infinite; the clamps below bring the rare
    // noise values above 1 to exactly 1.
    float v = (h - cut) * (1.0f / (1.0f - cut));
    if (!(v < 1.0f)) v = 1.0f;
    if (!(v > 0.0f)) v = 0.0f;
    return v;
}
