#pragma once
// Reading and writing scene files: an XML document with the root
// "Patternlens", a "Layers" element, and one "Layer" element per base layer,
// each holding its variables and, through them, its input layers.
#include <cstddef>
#include <memory>
#include <string>

class Renderable;

namespace scenefile {

struct ReadResult {
    std::unique_ptr<Renderable> baseLayer;   // null when the file holds no usable layer
    std::string error;                       // empty unless the file could not be read
};

// Reads the scene at path. Layers are made with createLayer, so a
// LayerControls with the texture size should exist.
ReadResult read(const std::string& path);

// The document for the given base layers, as the writer stores it.
std::string text(Renderable* const* baseLayers, int count);

// Writes the document atomically: to a temporary file beside path, renamed
// over it. Returns an empty string on success, else the reason.
std::string write(const std::string& path, Renderable* const* baseLayers, int count);

} // namespace scenefile
