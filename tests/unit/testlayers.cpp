#include "testlayers.h"

int ProbeLayer::alive = 0;
