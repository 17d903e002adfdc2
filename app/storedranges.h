#pragma once
// The note on stored values outside their ranges is the engine's, which
// patternlens-render shares: layers/storedranges.h.
#include "layers/storedranges.h"
