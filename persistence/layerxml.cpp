// PLACEHOLDER until the scene-file work lands.
#include "layers/renderable.h"
void Renderable::load(const TiXmlElement*) {}
void Renderable::save(TiXmlElement*) const {}
void LayerVariable::load(const TiXmlElement*) {}
void LayerVariable::save(TiXmlElement*) const {}
