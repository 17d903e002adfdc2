#pragma once
// A layer as the Python module's users build it: one layer of a type, with
// its view, Inverse and fixed values, and an input node for each variable an
// input drives. Nodes are shared by the Python objects that name them, so
// that layer["Spacing"] is the input itself, live, and not a copy.
//
// A composition is made from a node tree by toTree and read back by
// fromTree; the layer objects are the core's own, so what a node stores is
// what a scene file would.
#include <memory>
#include <string>
#include <vector>

class Renderable;

class LayerNode {
public:
    // A layer of the given type with the default view; null for no type.
    static std::shared_ptr<LayerNode> create(int typeId);
    ~LayerNode();
    LayerNode(const LayerNode&) = delete;
    LayerNode& operator=(const LayerNode&) = delete;

    const Renderable& layer() const { return *layer_; }
    Renderable& layer() { return *layer_; }
    // The index of the variable called name, or -1.
    int variableIndex(const std::string& name) const;
    // The type's variables' names, joined by ", ".
    std::string variableNames() const;

    const std::shared_ptr<LayerNode>& input(int index) const { return inputs_[index]; }
    // The node that input drives a variable of, or null.
    LayerNode* parent() const { return parent_; }
    // Makes input (a node that drives nothing, is no composition's base, and
    // is not this one nor an ancestor) the input of variable index,
    // replacing any. Returns the reason it cannot, or an empty string.
    std::string setInput(int index, const std::shared_ptr<LayerNode>& input);
    void removeInput(int index);
    // The node is a composition's base layer, which holds it as its own.
    void setCompositionBase(bool on) { compositionBase_ = on; }

    // The tree below this node as the core's layers, an exact copy.
    std::unique_ptr<Renderable> toTree() const;
    // Nodes for the layers of tree, which they take apart and own.
    static std::shared_ptr<LayerNode> fromTree(std::unique_ptr<Renderable> tree);

private:
    explicit LayerNode(std::unique_ptr<Renderable> layer);

    std::unique_ptr<Renderable> layer_;   // never holds input layers
    std::vector<std::shared_ptr<LayerNode>> inputs_;   // by variable index
    LayerNode* parent_ = nullptr;         // not owned
    bool compositionBase_ = false;
};
