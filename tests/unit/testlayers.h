#pragma once
// Small layer types for tests of the layer base and the controller. They are
// made by hand (not by createLayer) and count how many of them are alive, so
// ownership tests see exactly which layers were destroyed.
#include "layers/renderable.h"

#include <functional>

class ProbeLayer : public Renderable {
public:
    static int alive;
    using ValueFunction = std::function<float(int, int)>;

    explicit ProbeLayer(int variables = 2, ValueFunction f = nullptr)
        : Renderable(99), wanted(variables), value(std::move(f))
    {
        ++alive;
    }
    ~ProbeLayer() override { --alive; }

    // Made like the factory makes layers: construct, then set up.
    static ProbeLayer* make(int variables = 2, ValueFunction f = nullptr)
    {
        auto* layer = new ProbeLayer(variables, std::move(f));
        layer->setup();
        return layer;
    }

    void createVariables() override
    {
        static const char* names[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J"};
        for (int i = 0; i < wanted; ++i) variables[i].init(this, names[i], 0.5f, 1.0f, -1.0f);
        variableCount = wanted;
    }

    float valueAt(int x, int y) const override { return value ? value(x, y) : 0.25f; }

    int wanted;
    ValueFunction value;
};
