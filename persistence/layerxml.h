#pragma once
// Turning a "Layer" element of a scene file into a layer.
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

} // namespace layerxml
