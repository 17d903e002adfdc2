#pragma once
#include "layers/renderable.h"

// The "Gradient" layer: a ramp along x, along y or around the middle of the
// default view (shapinglanes::gradient), fixed in layer coordinates like
// every pattern, softened by Softness into a plateau or a hard mask.
// Seamless, every point is first brought into the period that the picture
// shows, so the gradient repeats over the view.
class Gradient : public Renderable {
public:
    explicit Gradient(int typeId) : Renderable(typeId) {}

    void createVariables() override;
    float valueAtPoint(float px, float py) const override;
    void valueRow(int y, int x0, int count, float* out, int step) const override;
    void valuePoints(const float* px, const float* py, int count, float* out) const override;
    const char* valueName(int index, float value) const override;
};
