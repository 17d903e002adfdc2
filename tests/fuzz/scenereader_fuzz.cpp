// libFuzzer target for the scene reader: any bytes in, a composition (or a
// refusal) out. What was read is written again, read back and written once
// more, and the two texts must agree; the base layer is also rendered, so the
// generators meet whatever values a file can hold.
#include "app/layercontrols.h"
#include "layers/renderable.h"
#include "persistence/scenefile.h"
#include "persistence/scenelimits.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Layers take their texture size from the controller; a tiny one keeps
    // the rendering cheap.
    static LayerControls* controls = [] {
        auto* c = new LayerControls;
        c->setViewportSize(7, 5);
        return c;
    }();
    (void)controls;

    if (size > scenelimits::maxSceneBytes) return 0;
    const std::string document(reinterpret_cast<const char*>(data), size);
    scenefile::ReadResult first = scenefile::parse(document);
    if (!first.baseLayer) {
        if (first.error.empty()) {
            std::fprintf(stderr, "a refused document came without a reason\n");
            std::abort();
        }
        return 0;
    }

    Renderable* layer = first.baseLayer.get();
    layer->fillPixels();
    const std::string written = scenefile::text(&layer, 1);

    scenefile::ReadResult second = scenefile::parse(written);
    if (!second.baseLayer) {
        std::fprintf(stderr, "the writer's own output was refused: %s\n", second.error.c_str());
        std::abort();
    }
    Renderable* again = second.baseLayer.get();
    if (scenefile::text(&again, 1) != written) {
        std::fprintf(stderr, "write, read, write changed the text\n");
        std::abort();
    }
    return 0;
}
