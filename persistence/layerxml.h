#pragma once
// Turning a "Layer" element of a scene file into a layer.
class LayerVariable;
class Renderable;
class TiXmlElement;

namespace layerxml {

// The element's "TypeID" when it names a layer type; -1 when the attribute is
// absent, not a number or outside the type table.
int typeIdOf(const TiXmlElement* layerElement);

// A new layer of the element's type with the element's view, inverse flag and
// variables, and its input layers below it; null when the element names no
// layer type. The caller owns the layer.
Renderable* createLoadedLayer(const TiXmlElement* layerElement);

// Appends the "Layer" element of layer, with its input layers, to parent.
// exact: every number with the digits that read back the same float, and
// each layer's reference view ("refx", "refy", "refzoomx", "refzoomy",
// "refwidth", "refheight"), as a recovery copy holds them; a reader takes
// the reference when it is there. Else the scene file's own bytes.
void saveLayer(const Renderable& layer, TiXmlElement* parent, bool exact);
void saveVariable(const LayerVariable& variable, TiXmlElement* parent, bool exact);

} // namespace layerxml
