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
#include "layers/viewlimits.h"
#include "persistence/numbertext.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <type_traits>
#include <tinyxml.h>

namespace {

using layerxml::Numbers;

thread_local std::string* loadWarning = nullptr;

void warnOnce(const std::string& text)
{
    if (loadWarning && loadWarning->empty()) *loadWarning = text;
}

void setNumber(TiXmlElement* element, const char* name, float value, Numbers numbers = Numbers::sixDecimals)
{
    const std::string text = numbers == Numbers::exact ? numbertext::formatExact(value)
                                                       : numbertext::formatFixed(static_cast<double>(value));
    element->SetAttribute(name, text.c_str());
}

void setNumber(TiXmlElement* element, const char* name, int value, Numbers = Numbers::sixDecimals)
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
    Numbers numbers;
    template <typename F, typename T>
    void operator()(F field, const T& value) const
    {
        if constexpr (layerfields::walks<F>(layerfields::file)) {
            if constexpr (std::is_array_v<T>) element->SetAttribute(field.xmlName, value);   // a name
            else if constexpr (std::is_same_v<T, bool>) setNumber(element, field.xmlName, value ? 1 : 0);
            else if constexpr (std::is_same_v<T, std::uint32_t>) {
                if (value != 0) element->SetAttribute(field.xmlName, std::to_string(value).c_str());
            }
            else setNumber(element, field.xmlName, value, numbers);
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

// A recovery copy's reference view: the view as the user last set it and
// the size it was set at, from which the viewer derives what it shows at
// any size. Read only when the whole of it is there and sound.
constexpr const char* referenceNames[] = {"refx", "refy", "refzoomx", "refzoomy", "refwidth", "refheight"};

void writeReference(TiXmlElement* element, const Renderable::ViewReference& r)
{
    setNumber(element, referenceNames[0], r.x, Numbers::exact);
    setNumber(element, referenceNames[1], r.y, Numbers::exact);
    setNumber(element, referenceNames[2], r.zoomx, Numbers::exact);
    setNumber(element, referenceNames[3], r.zoomy, Numbers::exact);
    setNumber(element, referenceNames[4], r.width);
    setNumber(element, referenceNames[5], r.height);
}

void readReference(const TiXmlElement* element, Renderable::ViewReference& reference)
{
    Renderable::ViewReference r;
    if (!readFloat(element, referenceNames[0], &r.x) || !readFloat(element, referenceNames[1], &r.y) ||
        !readFloat(element, referenceNames[2], &r.zoomx) || !readFloat(element, referenceNames[3], &r.zoomy) ||
        !numbertext::parseInt(element->Attribute(referenceNames[4]), &r.width) ||
        !numbertext::parseInt(element->Attribute(referenceNames[5]), &r.height))
        return;
    // A drawing area is at most what X11 windows allow; a reference is a
    // view the viewer set, within the limits of every view.
    constexpr int largestArea = 65535;
    if (r.width <= 0 || r.height <= 0 || r.width > largestArea || r.height > largestArea) return;
    reference = {viewlimits::clampCentre(r.x), viewlimits::clampCentre(r.y), viewlimits::clampExtent(r.zoomx),
                 viewlimits::clampExtent(r.zoomy), r.width, r.height};
}

} // namespace

void Renderable::save(TiXmlElement* parentElement) const
{
    layerxml::saveLayer(*this, parentElement, Numbers::sixDecimals);
}

void Renderable::load(const TiXmlElement* element)
{
    layerfields::forEachLayerField(ReadField{element}, *this);
    setView(x, y, zoomx, zoomy);   // within the limits every view obeys, and the mapping
    readReference(element, viewReference);

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
    layerxml::saveVariable(*this, parentElement, Numbers::sixDecimals);
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

void saveLayer(const Renderable& layer, TiXmlElement* parentElement, Numbers numbers)
{
    auto* element = new TiXmlElement("Layer");
    parentElement->LinkEndChild(element);
    layerfields::forEachLayerField(WriteField{element, numbers}, layer);
    if (numbers == Numbers::exact) writeReference(element, layer.viewReference);

    // Written even for a layer without variables.
    auto* variablesElement = new TiXmlElement("Variables");
    element->LinkEndChild(variablesElement);
    for (int i = 0; i < layer.variableCount; ++i) saveVariable(layer.variables[i], variablesElement, numbers);
}

void saveVariable(const LayerVariable& variable, TiXmlElement* parentElement, Numbers numbers)
{
    auto* element = new TiXmlElement("Variable");
    parentElement->LinkEndChild(element);
    layerfields::forEachVariableField(WriteField{element, numbers}, variable);
    if (const Renderable* input = variable.getInputLayer()) saveLayer(*input, element, numbers);
}

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
