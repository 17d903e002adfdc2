#pragma once
// A chain of Noise layers, each driving the Cutoff of the one above: the
// heavy composition of the tests and benchmarks, whose render costs in
// proportion to its length. The top layer's Cutoff is set to cutoff, which
// tells chains of one length apart. Made with createLayer: a LayerControls
// with the texture size must exist.
#include "layers/layertypetable.h"
#include "layers/renderable.h"

#include <memory>

inline std::unique_ptr<Renderable> noiseChain(int length, float cutoff = 0.5f)
{
    std::unique_ptr<Renderable> top(createLayer(0));
    top->variables[0].overrideValue = cutoff;
    Renderable* at = top.get();
    for (int i = 1; i < length; ++i) {
        Renderable* input = createLayer(0);
        at->attachInput(0, input);
        at = input;
    }
    return top;
}
