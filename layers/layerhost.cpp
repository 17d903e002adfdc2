#include "layers/layerhost.h"

LayerHost* LayerHost::instance = nullptr;
