#include "shaders/webpage.h"

#include "layers/composition.h"
#include "layers/renderable.h"
#include "persistence/scenefile.h"
#include "shaders/embeddedtext.h"
#include "shaders/glslsource.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace webpage {

namespace {

// A JSON string; "<" and ">" escaped too, so the text cannot end the
// script element it sits in.
std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || c == '<' || c == '>') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string htmlText(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else out += c;
    }
    return out;
}

// The template with each mark replaced by its text, in one pass, so that no
// filled text is taken for a mark.
std::string filled(const std::string& page, const std::vector<std::pair<std::string, std::string>>& marks)
{
    std::string out;
    std::size_t at = 0;
    while (at < page.size()) {
        bool replaced = false;
        for (const auto& [mark, text] : marks)
            if (page.compare(at, mark.size(), mark) == 0) {
                out += text;
                at += mark.size();
                replaced = true;
                break;
            }
        if (!replaced) out += page[at++];
    }
    return out;
}

} // namespace

std::string write(const Renderable& top, const std::string& name)
{
    glslsource::Options options;
    options.es = true;
    options.sceneName = name;
    options.width = top.textureWidth;
    options.height = top.textureHeight;
    std::string data = "{\"name\": " + jsonString(name) + ", \"views\": [";
    const std::vector<glslsource::Slot> slots = glslsource::slots(top);
    for (std::size_t k = 0; k < slots.size(); ++k) {
        const Renderable& layer = *slots[k].layer;
        data += std::string(k ? ", " : "") + "[" + glslsource::floatText(layer.x) + ", " +
                glslsource::floatText(layer.y) + ", " + glslsource::floatText(layer.zoomx) + ", " +
                glslsource::floatText(layer.zoomy) + "]";
    }
    // The layer shown is the scene's base layer, with the settings it
    // evaluates by.
    SceneSettings settings;
    settings.seamless = top.seamless;
    data += "], \"scene\": " + jsonString(scenefile::text(CompositionRef(&top, settings), layerxml::Numbers::exact)) + "}";

    return filled(embeddedtext::pageTemplate, {{"@TITLE@", htmlText(name.empty() ? "Patternlens" : name)},
                                               {"@SHADER@", glslsource::source(top, options)},
                                               {"@DATA@", data}});
}

} // namespace webpage
