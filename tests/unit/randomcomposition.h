#pragma once
// Random layer trees for property and soak tests: every layer type, random
// views, values, bounds, inverse flags and input layers, reproducible from a
// seed.
#include "layers/layertypetable.h"
#include "layers/renderable.h"

#include <random>

class RandomComposition {
public:
    explicit RandomComposition(unsigned seed) : rng(seed) {}

    // A new tree of at most maxDepth levels below the returned layer, which
    // is of the given type (any when negative).
    Renderable* make(int maxDepth, int type = -1)
    {
        Renderable* layer = createLayer(type >= 0 ? type : pick(0, LayerTypeTable::count - 1));
        layer->setView(uniform(-1e3f, 1e3f), uniform(-1e3f, 1e3f), uniform(0.1f, 100.0f), uniform(0.1f, 100.0f));
        layer->inverse = pick(0, 1) == 1;
        for (int i = 0; i < layer->variableCount; ++i) {
            LayerVariable& v = layer->variables[i];
            if (pick(0, 3) == 0) {   // sometimes unusual bounds, as a file may hold
                v.minValue = uniform(-5, 5);
                v.maxValue = uniform(-5, 5);
            }
            v.overrideValue = uniform(v.minValue - 1, v.maxValue + 1);
            if (maxDepth > 0 && pick(0, 2) == 0) layer->attachInput(i, make(maxDepth - 1));
        }
        return layer;
    }

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }

    std::mt19937 rng;
};
