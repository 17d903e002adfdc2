#pragma once
#include "layers/renderable.h"

// The "Warp" layer: its Source read at points moved by Warp X and Warp Y.
// At a point p, each coordinate moves by (2 (w - 0.5)) Amount Wf pixels,
// w being Warp X or Warp Y at p and Wf the width of the picture being made
// (the layer's textureWidth), so an Amount looks the same at every size of
// one aspect; the Source's value at the moved point, clamped, is the
// Warp's. A moved point at or beyond 2^24 in either coordinate (or NaN)
// gives 0. A Warp works in pixels: its own view does not enter its value,
// and without inputs it shows its Source's fixed value. Seamless needs
// nothing of its own: where the inputs repeat over the picture, so does it.
class Warp : public Renderable {
public:
    explicit Warp(int typeId) : Renderable(typeId) {}

    void createVariables() override;
    float valueAtPoint(float px, float py) const override;
    // Warp X, Warp Y and Amount a row at a time (at whole pixels, so their
    // input planes serve them), the Source at the moved points.
    void valueRow(int y, int x0, int count, float* out, int step) const override;
    void valuePoints(const float* px, const float* py, int count, float* out) const override;
    // The Source is read at moved points, which no plane of pixels holds.
    bool readsInputAtPixels(int index) const override;

private:
    // The values at points (px[k], py[k * pyStep]) from qx and qy, which hold
    // Warp X and Warp Y there, and amount, the Amount there (or its fixed
    // value, amountStep 0). qx, qy and read are used up; read may be
    // amount, and out may be px.
    void warpTo(const float* px, const float* py, int pyStep, float* qx, float* qy, const float* amount,
                int amountStep, float* read, int count, float* out) const;
};
