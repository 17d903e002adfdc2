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

// The heavy composition of the drag benchmark and the viewer's end-to-end
// test: a Circles layer (Radius 1.5) whose Spacing (3.5 while undriven)
// follows a chain of chainLength Noise layers.
inline std::unique_ptr<Renderable> circlesOverChain(int chainLength)
{
    std::unique_ptr<Renderable> top(createLayer(2));
    top->variables[0].overrideValue = 1.5f;
    top->variables[1].overrideValue = 3.5f;
    top->attachInput(1, noiseChain(chainLength).release());
    return top;
}
