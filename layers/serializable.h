#pragma once
class TiXmlElement;

// An object that reads itself from and writes itself to a scene file.
class Serializable {
public:
    virtual ~Serializable() = default;
    // Reads the object's state from its own element.
    virtual void load(const TiXmlElement* element) = 0;
    // Appends an element describing the object to parent.
    virtual void save(TiXmlElement* parent) const = 0;
};
