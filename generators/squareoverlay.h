#pragma once
#include "layers/renderable.h"

// The "Squares" layer: a grid of 5 x 5 cells, each holding a filled square of
// side Width in its corner of least x and least y. Values are exactly 0 or 1.
// Seamless, the cell is fitted to a whole number of cells across each extent
// and the Width is read at the pixel of the cell's lower corner.
class SquareOverlay : public Renderable {
public:
    static constexpr float cellSize = 5.0f;   // also the Width's maximum

    explicit SquareOverlay(int typeId) : Renderable(typeId) {}

    void createVariables() override;
    float valueAtPoint(float px, float py) const override;
    // The row's mapping computed once per pixel, its y parts once per row,
    // and a driven Width read once per cell corner.
    void valueRow(int y, int x0, int count, float* out, int step) const override;
    // The mapping and the test on SIMD lanes, a driven Width read once per
    // run of points in one cell.
    void valuePoints(const float* px, const float* py, int count, float* out) const override;
    // Whether point (px, py) of the texture lies strictly inside its cell's
    // square.
    bool insideSquare(float px, float py) const;

private:
    // The whole pixel of the corner of the cell of layer point (xpos, ypos)
    // at which the Width is read.
    void widthPixel(float xpos, float ypos, int& cx, int& cy) const;
};
