// The "Layer" and "Variable" elements of the scene file.
//
// Every number is formatted here, in the C locale, and set as text: the texts
// are part of the format, whatever the XML library would make of a number.
// Reading is lenient in what the file may hold but strict in what reaches a
// layer: an absent or unreadable attribute leaves its field as it was, and a
// number that is NaN or infinite, or an extent that is not positive, counts
// as unreadable. The view read is applied through setView, which keeps it
// within the limits every view obeys.
#include "persistence/layerxml.h"

#include "layers/layerfields.h"
#include "layers/layertypetable.h"
#include "layers/layervariable.h"
#include "layers/renderable.h"
#include "persistence/numbertext.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <type_traits>
#include <tinyxml.h>

namespace {

thread_local std::string* loadWarning = nullptr;

void warnOnce(const std::string& text)
{
    if (loadWarning && loadWarning->empty()) *loadWarning = text;
}

void setNumber(TiXmlElement* element, const char* name, float value)
{
    element->SetAttribute(name, numbertext::formatFixed(static_cast<double>(value)).c_str());
}

void setNumber(TiXmlElement* element, const char* name, int value)
{
    element->SetAttribute(name, numbertext::formatInt(value).c_str());
}

// A finite number, narrowed to float (so "1e39" is as unreadable as "inf").
bool readFloat(const TiXmlElement* element, const char* name, float* field)
{
    double v = 0;
    if (!numbertext::parseDouble(element->Attribute(name), &v)) return false;
    const float f = static_cast<float>(v);
    if (!std::isfinite(f)) return false;
    *field = f;
    return true;
}

// Writes the file's attributes of the fields visited, in their order.
struct WriteField {
    TiXmlElement* element;
    template <typename F, typename T>
    void operator()(F field, const T& value) const
    {
        if constexpr (layerfields::walks<F>(layerfields::file)) {
            if constexpr (std::is_array_v<T>) element->SetAttribute(field.xmlName, value);   // a name
            else if constexpr (std::is_same_v<T, bool>) setNumber(element, field.xmlName, value ? 1 : 0);
            else if constexpr (std::is_same_v<T, std::uint32_t>) {
                if (value != 0) element->SetAttribute(field.xmlName, std::to_string(value).c_str());
            }
            else setNumber(element, field.xmlName, value);
        }
    }
};

// Reads back the attributes the file reads; one absent or unreadable leaves
// its field as it was.
struct ReadField {
    const TiXmlElement* element;
    template <typename F, typename T>
    void operator()(F field, T& value) const
    {
        if constexpr (layerfields::walks<F>(layerfields::file)) {
            if (field.reading == layerfields::Reading::none) return;
            if constexpr (std::is_same_v<T, bool>) {
                int flag = 0;
                if (numbertext::parseInt(element->Attribute(field.xmlName), &flag)) value = flag != 0;
            } else if constexpr (std::is_same_v<T, std::uint32_t>) {
                // Unlike the other attributes, an unreadable seed is told:
                // the picture differs from the one the file meant.
                const char* text = element->Attribute(field.xmlName);
                if (!text) return;
                if (!layerxml::parseSeed(text, &value)) {
                    value = 0;
                    warnOnce("line " + std::to_string(element->Row()) +
                             ": seed must be a whole number from 0 to 4294967295");
                }
            } else if constexpr (std::is_same_v<T, float>) {
                float f = 0;
                if (readFloat(element, field.xmlName, &f) && (field.reading != layerfields::Reading::positive || f > 0))
                    value = f;
            }
        }
    }
};

} // namespace

void Renderable::save(TiXmlElement* parentElement) const
{
    auto* element = new TiXmlElement("Layer");
    parentElement->LinkEndChild(element);
    layerfields::forEachLayerField(WriteField{element}, *this);

    // Written even for a layer without variables.
    auto* variablesElement = new TiXmlElement("Variables");
    element->LinkEndChild(variablesElement);
    for (int i = 0; i < variableCount; ++i) variables[i].save(variablesElement);
}

void Renderable::load(const TiXmlElement* element)
{
    layerfields::forEachLayerField(ReadField{element}, *this);
    setView(x, y, zoomx, zoomy);   // within the limits every view obeys, and the mapping

    const TiXmlElement* variablesElement = element->FirstChildElement("Variables");
    if (!variablesElement) return;
    // Variables match by position, whatever the elements or their "name"
    // attributes say; comments and text between them take no position.
    int k = 0;
    for (const TiXmlElement* child = variablesElement->FirstChildElement(); child && k < variableCount;
         child = child->NextSiblingElement())
        variables[k++].load(child);
}

void LayerVariable::save(TiXmlElement* parentElement) const
{
    auto* element = new TiXmlElement("Variable");
    parentElement->LinkEndChild(element);
    layerfields::forEachVariableField(WriteField{element}, *this);
    if (inputLayer) inputLayer->save(element);
}

void LayerVariable::load(const TiXmlElement* element)
{
    // Stored as read: the file may hold a value outside its bounds, and
    // bounds in either order.
    layerfields::forEachVariableField(ReadField{element}, *this);

    // Only the first "Layer" child counts; one of no known type leaves the
    // variable as it was.
    const TiXmlElement* layerElement = element->FirstChildElement("Layer");
    if (!layerElement) return;
    if (Renderable* input = layerxml::createLoadedLayer(layerElement)) setInputLayer(input);
}

namespace layerxml {

LoadWarning::LoadWarning(std::string* first)
{
    first->clear();
    loadWarning = first;
}

LoadWarning::~LoadWarning()
{
    loadWarning = nullptr;
}

bool parseSeed(const char* text, std::uint32_t* seed)
{
    if (!text || !*text) return false;
    std::uint64_t value = 0;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(*c - '0');
        if (value > 4294967295u) return false;
    }
    *seed = static_cast<std::uint32_t>(value);
    return true;
}

int typeIdOf(const TiXmlElement* layerElement)
{
    int typeId = -1;
    if (!numbertext::parseInt(layerElement->Attribute("TypeID"), &typeId)) return -1;
    return (typeId >= 0 && typeId < LayerTypeTable::count) ? typeId : -1;
}

Renderable* createLoadedLayer(const TiXmlElement* layerElement)
{
    const int typeId = typeIdOf(layerElement);
    if (typeId < 0) return nullptr;
    Renderable* layer = createLayer(typeId);
    if (layer) layer->load(layerElement);
    return layer;
}

} // namespace layerxml
