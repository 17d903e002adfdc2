#pragma once
#include "layers/renderable.h"

// The "Circles" layer: a grid of cells of side 2 Radius + Spacing, each
// holding a disc of the Radius that touches the cell's lower x and y edges,
// so neighbouring discs are Spacing apart. Values are exactly 0 or 1.
// Seamless, the cell is fitted to a whole number of cells across each extent
// and the variables are read at the texture pixel itself.
class Circles : public Renderable {
public:
    explicit Circles(int typeId) : Renderable(typeId) {}

    void createVariables() override;
    float valueAtPoint(float px, float py) const override;
    // The row's mapping computed once per pixel, its y parts once per row,
    // and driven variables read once per truncated layer point.
    void valueRow(int y, int x0, int count, float* out, int step) const override;
    // The mapping and the test on SIMD lanes; driven variables read once
    // per run of points with one truncated layer point (seamless: on their
    // inputs' point lanes).
    void valuePoints(const float* px, const float* py, int count, float* out) const override;
    // The variables are read at truncated layer points: the view's lowest.
    void inputOrigin(int index, int& x0, int& y0) const override;
    // Whether layer point (xpos, ypos) lies strictly inside its cell's disc.
    bool insideCircle(float xpos, float ypos) const;
};
