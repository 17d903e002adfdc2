#pragma once
// A composition as one value: a tree of layers and the scene's settings
// beside it. Undo steps, the render's copies and exports carry it, so a
// setting travels wherever the tree does.
//
// A new setting goes in SceneSettings, with its comparison in operator==;
// copies take it as a plain value.
#include <memory>

class Renderable;

// What a scene holds beside its layers. None yet.
struct SceneSettings {
    bool operator==(const SceneSettings&) const { return true; }
    bool operator!=(const SceneSettings& other) const { return !(*this == other); }
};

// A composition as the controller holds it, not owned: its tree (null: none)
// and its settings (a tree alone has the default ones).
struct CompositionView {
    CompositionView(const Renderable* tree = nullptr, const SceneSettings& settings = SceneSettings())
        : tree(tree), settings(settings)
    {
    }
    const Renderable* tree;
    SceneSettings settings;
};

// An owned composition. Copies are exact (cloneLayerTree): a copy renders the
// very same bytes, and may be rendered on another thread while the user goes
// on editing the original.
struct Composition {
    std::unique_ptr<Renderable> tree;   // null: no composition
    SceneSettings settings;

    Composition();
    Composition(std::unique_ptr<Renderable> tree, const SceneSettings& settings);
    // An exact copy of what view shows.
    explicit Composition(const CompositionView& view);
    Composition(const Composition& other);
    Composition& operator=(const Composition& other);
    Composition(Composition&& other) noexcept;
    Composition& operator=(Composition&& other) noexcept;
    ~Composition();

    CompositionView view() const { return {tree.get(), settings}; }
};

// The same tree (sameLayerTree: bit for bit) and the same settings.
bool sameComposition(const CompositionView& a, const CompositionView& b);
