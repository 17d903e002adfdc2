#pragma once
// The composition inside a patternlens::Scene, for the project's own code
// that builds and edits compositions and renders them through the library
// (the Python module). Not installed: users of the library see only
// patternlens/patternlens.h.
#include "api/patternlens/patternlens.h"
#include "layers/composition.h"

#include <string>

namespace patternlens {

struct SceneAccess {
    // name: the scene file's name, which a shader's header and a page's
    // title name.
    static Scene make(Composition composition, std::string warning = {}, std::string name = {});
    static Composition& composition(Scene& scene);
    static const Composition& composition(const Scene& scene);
};

} // namespace patternlens
