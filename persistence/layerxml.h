#pragma once
// Turning a "Layer" element of a scene file into a layer.
#include <cstdint>
#include <string>

class LayerVariable;
class Renderable;
class TiXmlElement;

namespace layerxml {

// How the numbers of a scene are written: the file's six decimals, or
// exactly, every float to the bit (formatExact), for copies of a
// composition that must render what the original does (recovery copies,
// pickled compositions).
enum class Numbers { sixDecimals, exact };
// While one lives, the loads on its thread tell it the first thing they
// read leniently that the user should hear of ("line 4: seed must be ...");
// the text stays empty when there was none. One at a time per thread.
class LoadWarning {
public:
    explicit LoadWarning(std::string* first);
    ~LoadWarning();
    LoadWarning(const LoadWarning&) = delete;
    LoadWarning& operator=(const LoadWarning&) = delete;
};

// A seed attribute's text: digits alone (leading zeros allowed), at most
// 4294967295. False for anything else, *seed untouched.
bool parseSeed(const char* text, std::uint32_t* seed);

// The element's "TypeID" when it names a layer type; -1 when the attribute is
// absent, not a number or outside the type table.
int typeIdOf(const TiXmlElement* layerElement);

// A new layer of the element's type with the element's view, inverse flag and
// variables, and its input layers below it; null when the element names no
// layer type. The caller owns the layer.
Renderable* createLoadedLayer(const TiXmlElement* layerElement);

// Appends the "Layer" element of layer, with its input layers, to parent.
// Exact numbers come with each layer's reference view ("refx", "refy",
// "refzoomx", "refzoomy", "refwidth", "refheight"), so the copy shows what
// the original shows at any size; a reader takes the reference when it is
// there. Six decimals give the scene file's own bytes.
void saveLayer(const Renderable& layer, TiXmlElement* parent, Numbers numbers);
void saveVariable(const LayerVariable& variable, TiXmlElement* parent, Numbers numbers);

} // namespace layerxml
