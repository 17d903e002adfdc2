#pragma once
// A tree evaluated as in a scene whose Seamless setting is on (or off), as a
// composition applies its settings.
#include "layers/composition.h"
#include "layers/renderable.h"

inline void applySeamless(Renderable& tree, bool on)
{
    SceneSettings settings;
    settings.seamless = on;
    applySettings(tree, settings);
}
