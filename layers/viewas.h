#pragma once
// What the drawing area shows of the current layer's values: the grey
// picture, its normal map or its values through a colour ramp. A scene
// setting (SceneSettings::viewAs), kept in the file as the root attribute
// viewAs: "normal S opengl|directx" or "ramp STOPS"; Grey is not written.
#include "layers/colourramp.h"
#include "layers/normalmap.h"

#include <string>

struct ViewAs {
    enum class Kind { grey, normal, ramp };

    Kind kind = Kind::grey;
    normalmap::Settings normal;
    ColourRamp ramp;

    // The attribute's text; empty for Grey.
    std::string text() const;
    // The setting that text spells, or false with error saying why.
    static bool parse(const std::string& text, ViewAs* out, std::string* error);

    // The shortest text that reads back as strength exactly.
    static std::string strengthText(double strength);

    // Settings beside the kind in use are part of the value too: the panel
    // keeps a strength and a ramp while the other is shown.
    bool operator==(const ViewAs& other) const
    {
        return kind == other.kind && normal == other.normal && ramp == other.ramp;
    }
    bool operator!=(const ViewAs& other) const { return !(*this == other); }
};
