// PLACEHOLDER until the scene-file work lands.
#include "persistence/scenefile.h"
#include "app/layercontrols.h"
#include "layers/renderable.h"

namespace scenefile {
ReadResult read(const std::string&) { return {nullptr, "not implemented"}; }
std::string text(Renderable* const*, int) { return {}; }
std::string write(const std::string&, Renderable* const*, int) { return "not implemented"; }
} // namespace scenefile

bool LayerControls::writeSceneFile(const std::string& path, std::string* error)
{
    std::string e = scenefile::write(path, baseLayers, baseLayerCount);
    if (error) *error = e;
    return e.empty();
}

bool LayerControls::readSceneFile(const std::string& path, std::string* error)
{
    scenefile::ReadResult r = scenefile::read(path);
    if (!r.baseLayer) {
        if (error) *error = r.error.empty() ? "the file holds no layer" : r.error;
        return false;
    }
    setBaseLayer(r.baseLayer.release());
    return true;
}
