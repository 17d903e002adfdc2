#pragma once
// The planes of the rendered layer's direct inputs (layers/inputplane.h),
// carried from one render to the next by the thread that renders.
//
// Each render works on its own copy of the composition. Before it starts,
// every driven variable of the copy that the layer reads at whole pixels
// (all but a Warp's Source) gets a plane: the one the last render
// filled when that input's subtree is the same as then (an edit of the
// layer itself, of an undriven variable or of its Inverse), a new empty one
// otherwise. Any change below an input drops that input's plane; the
// others stay.
#include "layers/composition.h"
#include "layers/inputplane.h"
#include "layers/renderable.h"

#include <memory>

class InputPlanes {
public:
    // Attaches the planes to the driven variables of copy's tree; returns
    // the variables whose plane was kept from the last render, bit i for
    // variable i. Other scene settings keep no plane.
    unsigned attach(Composition& copy);
    // copy, with the planes attached, has been rendered (or stopped): the
    // planes now hold values of its inputs, and it is kept to compare the
    // next copy with. Returns the copy it replaces, for the caller to
    // destroy where that costs no one a wait.
    Composition keep(Composition copy);
    // Drops everything.
    void clear();

    const InputPlane* plane(int index) const { return planes[index].get(); }

private:
    Composition source;   // what the planes' values come from
    std::unique_ptr<InputPlane> planes[Renderable::maxVariables];
};
