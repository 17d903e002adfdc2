#pragma once
// Reading and writing scene files: an XML document with the root
// "Patternlens", a "Layers" element, and one "Layer" element per base layer,
// each holding its variables and, through them, its input layers.
//
// A scene is read into, and written from, a composition (composition.h); the
// viewer's LayerControls::readSceneFile and writeSceneFile are thin wrappers
// over these, and the renderer, the Python module and the tests use them
// directly.
#include "layers/composition.h"
#include "persistence/layerxml.h"

#include <memory>
#include <string>

class Renderable;

namespace scenefile {

// Where a recovery copy came from, held on its root: the scene's file
// ("scenePath", absent for an untitled scene), the time of the last edit
// ("editedAt", ISO 8601 in UTC) and the current layer ("currentLayer", its
// variable path, layerpath.h). A scene's own reader ignores them.
struct CopyOrigin {
    bool titled = false;
    std::string scenePath;
    std::string editedAt;
    std::string currentLayer;
};

struct ReadResult {
    std::unique_ptr<Renderable> baseLayer;   // null when nothing usable was read
    std::string error;                       // why, when baseLayer is null
    int systemError = 0;                     // its errno when the system could not give the file
    SceneSettings settings;                  // the root's attributes, applied to baseLayer
    bool isCopy = false;                     // the root says "editedAt": a recovery copy
    CopyOrigin origin;                       // for a copy
    // What the reader took leniently that the user should hear of: the
    // first seed it could not read, with its line ("line 4: seed must be
    // ..."), and a view that reads as Grey. Empty: nothing.
    std::string warning;

    // The layers and the settings read, as one composition; baseLayer is
    // left null.
    Composition composition();
};

// Reads the scene file at path. Files beyond the limits of scenelimits.h are
// refused unread. Of several base "Layer" elements only the last one of a
// known type is created, so loading takes time in proportion to the file.
// Layers are made with createLayer, at the drawing area's size when a host
// is registered (layerhost.h), else at 0 x 0.
ReadResult read(const std::string& path);

// The same for a document already in memory.
ReadResult parse(const std::string& document);

// Why the reader would refuse document unparsed (its size or its shape is
// beyond the limits of scenelimits.h), in the reader's words; empty when it
// would go on to parse it. A composition whose text is refused here could be
// saved but never loaded again.
std::string refusal(const std::string& document);

// The document for a composition, byte for byte as it is written: one base
// "Layer" element for its tree (none for no tree) and its settings on the
// root. The root says seamless="1" only for a seamless scene, viewAs="..."
// (after it) only for a view other than Grey, and drawingArea="WxH" (last)
// only for views made in a drawing area other than the start-up one, so
// other scenes keep their bytes. With exact numbers the document is no file's (those have
// six decimals and indents) but reads back bit for bit.
std::string text(const CompositionRef& scene, layerxml::Numbers numbers = layerxml::Numbers::sixDecimals);

// A recovery copy's document: the scene with exact numbers and every layer's
// reference view (layerxml.h), and origin on its root.
std::string copyText(const CompositionRef& scene, const CopyOrigin& origin);

// Writes the document atomically (atomicfile.h). Returns an empty string on
// success, else the reason.
std::string write(const std::string& path, const CompositionRef& scene);

// The same for count base layers held as the controller holds them (count 0
// or 1: it holds one).
inline std::string text(Renderable* const* baseLayers, int count, const SceneSettings& settings = SceneSettings(),
                        layerxml::Numbers numbers = layerxml::Numbers::sixDecimals)
{
    return text(CompositionRef(count > 0 ? baseLayers[0] : nullptr, settings), numbers);
}
inline std::string copyText(Renderable* const* baseLayers, int count, const SceneSettings& settings,
                            const CopyOrigin& origin)
{
    return copyText(CompositionRef(count > 0 ? baseLayers[0] : nullptr, settings), origin);
}
inline std::string write(const std::string& path, Renderable* const* baseLayers, int count,
                         const SceneSettings& settings = SceneSettings())
{
    return write(path, CompositionRef(count > 0 ? baseLayers[0] : nullptr, settings));
}

} // namespace scenefile
