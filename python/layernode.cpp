#include "layernode.h"

#include "layers/layerclone.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "persistence/scenelimits.h"

#include <algorithm>

namespace {

// The layers of the longest chain from node down.
int chainBelow(const LayerNode& node, int variableCount)
{
    int longest = 0;
    for (int i = 0; i < variableCount; ++i)
        if (const std::shared_ptr<LayerNode>& input = node.input(i))
            longest = std::max(longest, chainBelow(*input, input->layer().variableCount));
    return longest + 1;
}

} // namespace

LayerNode::LayerNode(std::unique_ptr<Renderable> layer)
    : layer_(std::move(layer)), inputs_(static_cast<std::size_t>(layer_->variableCount))
{
}

LayerNode::~LayerNode()
{
    // An input that Python still holds becomes a tree of its own.
    for (const std::shared_ptr<LayerNode>& input : inputs_)
        if (input) input->parent_ = nullptr;
}

std::shared_ptr<LayerNode> LayerNode::create(int typeId)
{
    std::unique_ptr<Renderable> layer(createLayer(typeId));
    if (!layer) return nullptr;
    return std::shared_ptr<LayerNode>(new LayerNode(std::move(layer)));
}

int LayerNode::variableIndex(const std::string& name) const
{
    for (int i = 0; i < layer_->variableCount; ++i)
        if (name == layer_->variables[i].getName()) return i;
    return -1;
}

std::string LayerNode::variableNames() const
{
    std::string names;
    for (int i = 0; i < layer_->variableCount; ++i) names += (i ? ", " : "") + std::string(layer_->variables[i].getName());
    return names;
}

std::string LayerNode::setInput(int index, const std::shared_ptr<LayerNode>& input)
{
    if (input->parent_) return "the layer already drives a variable; remove it there first or pass a copy";
    if (input->compositionBase_) return "the layer is a composition's base; pass a copy";
    int above = 0;
    for (const LayerNode* node = this; node; node = node->parent_, ++above)
        if (node == input.get()) return "a layer cannot drive a variable of itself or of a layer below it";
    const int chain = above + chainBelow(*input, input->layer().variableCount);
    if (chain > scenelimits::maxChainLayers)
        return "the tree would be " + std::to_string(chain) + " layers deep; a scene holds at most " +
               std::to_string(scenelimits::maxChainLayers);
    if (inputs_[index]) inputs_[index]->parent_ = nullptr;
    inputs_[index] = input;
    input->parent_ = this;
    return {};
}

void LayerNode::removeInput(int index)
{
    if (inputs_[index]) inputs_[index]->parent_ = nullptr;
    inputs_[index].reset();
}

std::unique_ptr<Renderable> LayerNode::toTree() const
{
    // The node's layer holds no inputs, so its copy is the layer alone; the
    // inputs keep their own views, as a file's do.
    std::unique_ptr<Renderable> tree = cloneLayerTree(*layer_);
    for (int i = 0; i < layer_->variableCount; ++i)
        if (inputs_[i]) tree->variables[i].setInputLayer(inputs_[i]->toTree().release());
    return tree;
}

std::shared_ptr<LayerNode> LayerNode::fromTree(std::unique_ptr<Renderable> tree)
{
    std::vector<std::unique_ptr<Renderable>> inputs(static_cast<std::size_t>(tree->variableCount));
    for (int i = 0; i < tree->variableCount; ++i) {
        inputs[i] = std::move(tree->variables[i].inputLayer);
        if (inputs[i]) inputs[i]->parent = nullptr;
    }
    std::shared_ptr<LayerNode> node(new LayerNode(std::move(tree)));
    for (std::size_t i = 0; i < inputs.size(); ++i)
        if (inputs[i]) node->setInput(static_cast<int>(i), fromTree(std::move(inputs[i])));
    return node;
}
