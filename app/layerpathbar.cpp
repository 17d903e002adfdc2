#include "app/layerpathbar.h"

#include "app/layercontrols.h"
#include "layers/layerpath.h"
#include "ui/controls.h"

void LayerPathBar::build(ui::ControlWindow& w)
{
    pathBar = w.add_pathbar("Layer path:", [this](int) { onPathStep(); });
}

void LayerPathBar::refresh()
{
    if (!pathBar) return;
    std::vector<std::string> texts;
    for (const layerpath::Step& step : layerpath::stepsTo(controls.currentLayer)) texts.push_back(step.text);
    pathBar->set_steps(std::move(texts));
}

void LayerPathBar::onPathStep()
{
    if (!pathBar || !controls.currentLayer) return;
    const std::vector<layerpath::Step> steps = layerpath::stepsTo(controls.currentLayer);
    const int index = pathBar->chosen();
    if (index < 0 || index >= static_cast<int>(steps.size())) return;
    controls.goToLayer(steps[static_cast<std::size_t>(index)].layer);
}
