#pragma once
// A composition as one value: a tree of layers and the scene's settings
// beside it. Undo steps, the render's copies and exports carry it, so a
// setting travels wherever the tree does.
//
// A new setting goes in SceneSettings and in its field list (scenefields.h),
// which drives its comparison, the file and the panel; copies take it as a
// plain value.
#include <cstdint>
#include "layers/drawingarea.h"
#include "layers/scenefields.h"
#include "layers/viewas.h"

#include <memory>

class Renderable;

// What a scene holds beside its layers.
struct SceneSettings {
    // Every layer's pattern repeats over its view (generators/seamless.h).
    // The layers evaluate by their own copy of it, Renderable::seamless,
    // which applySettings alone sets.
    bool seamless = false;
    // What the drawing area shows; renders and values ignore it.
    ViewAs viewAs;
    // The drawing area the views were made in (drawingarea.h).
    drawingarea::Size drawingArea;

    bool operator==(const SceneSettings& other) const
    {
        bool same = true;
        scenefields::forEachSceneField([&same](const scenefields::Field&, const auto& a,
                                               const auto& b) { same = same && a == b; },
                                       *this, other);
        return same;
    }
    bool operator!=(const SceneSettings& other) const { return !(*this == other); }
};

// Gives every layer of tree what it needs of the settings to evaluate: the
// one place that keeps the layers' copy of Seamless in step with the scene's.
// A tree or subtree joining a composition goes through it.
void applySettings(Renderable& tree, const SceneSettings& settings);

// Adds n to the seed of every layer of tree, modulo 2^32, the types that
// ignore their seed included: the variations of one design, each
// reproducible from its n (the renderer's --seed). n = 0 changes nothing.
void addToSeeds(Renderable& tree, std::uint32_t n);

// A reference to a composition, as the controller holds it, not owned: its
// tree (null: none) and its settings (a tree alone has the default ones).
struct CompositionRef {
    CompositionRef(const Renderable* tree = nullptr, const SceneSettings& settings = SceneSettings())
        : tree(tree), settings(settings)
    {
    }
    const Renderable* tree;
    SceneSettings settings;
};

// An owned composition. Copies are exact (cloneLayerTree): a copy renders the
// very same bytes, and may be rendered on another thread while the user goes
// on editing the original. Its tree evaluates by its settings (applySettings
// runs as it is made).
struct Composition {
    std::unique_ptr<Renderable> tree;   // null: no composition
    SceneSettings settings;

    Composition();
    Composition(std::unique_ptr<Renderable> tree, const SceneSettings& settings);
    // An exact copy of the composition ref refers to.
    explicit Composition(const CompositionRef& ref);
    Composition(const Composition& other);
    Composition& operator=(const Composition& other);
    Composition(Composition&& other) noexcept;
    Composition& operator=(Composition&& other) noexcept;
    ~Composition();

    CompositionRef ref() const { return {tree.get(), settings}; }
    // addToSeeds on the tree, if any.
    void addToSeeds(std::uint32_t n);
};

// The same tree (sameLayerTree: bit for bit) and the same settings.
bool sameComposition(const CompositionRef& a, const CompositionRef& b);
