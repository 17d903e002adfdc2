#pragma once
// Turning a "Layer" element of a scene file into a layer.
class Renderable;
class TiXmlElement;

class TiXmlElement;

namespace layerxml {

// How the numbers of a scene are written: the file's six decimals, or
// exactly, every float to the bit (formatExact), for copies of a
// composition that must render what the original does.
enum class Numbers { sixDecimals, exact };

// Appends the "Layer" element of layer, with its variables and its input
// layers, to parent: what Renderable::save writes, in the numbers asked for.
void saveLayer(const Renderable& layer, TiXmlElement* parent, Numbers numbers);

// The element's "TypeID" when it names a layer type; -1 when the attribute is
// absent, not a number or outside the type table.
int typeIdOf(const TiXmlElement* layerElement);

// A new layer of the element's type with the element's view, inverse flag and
// variables, and its input layers below it; null when the element names no
// layer type. The caller owns the layer.
Renderable* createLoadedLayer(const TiXmlElement* layerElement);

} // namespace layerxml
