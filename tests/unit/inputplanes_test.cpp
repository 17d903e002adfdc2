// Planes of input values kept from render to render never change a byte:
// whatever the edits, a copy rendered with the planes earlier renders filled
// gives the reference bytes at every pixel step. A plane is kept through
// every edit that leaves its input's subtree alone; an edit below drops it.
#include "app/picture/inputplanes.h"
#include "app/layercontrols.h"
#include "layers/rowloop.h"
#include "layers/saturate.h"
#include "randomcomposition.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

TEST(InputPlanesTest, KeptPlanesGiveTheReferenceBytesAndSurviveExactlyTheEditsAboveTheirInput)
{
    LayerControls controls;
    controls.setViewportSize(37, 29);
    for (unsigned seed = 1; seed <= 25; ++seed) {
        RandomComposition random(seed);
        std::unique_ptr<Renderable> layer(random.make(3));
        InputPlanes planes;
        unsigned driven = 0;
        for (int i = 0; i < layer->variableCount; ++i)
            if (layer->variables[i].inputLayer && layer->readsInputAtPixels(i)) driven |= 1u << i;
        for (int edit = 0; edit < 10; ++edit) {
            unsigned dropped = 0;
            const int i = random.pick(0, layer->variableCount - 1);
            switch (random.pick(0, 2)) {
            case 0: layer->inverse = !layer->inverse; break;
            case 1: layer->variables[i].overrideValue = random.uniform(-2.0f, 2.0f); break;
            default:
                if (Renderable* input = layer->variables[i].inputLayer.get()) {
                    input->inverse = !input->inverse;
                    dropped = 1u << i;
                }
            }
            Composition copy{CompositionRef(layer.get())};
            const unsigned kept = planes.attach(copy);
            if (edit > 0) {
                ASSERT_EQ(kept, driven & ~dropped) << "seed " << seed;
            }

            const int step = random.pick(1, 3);
            const rowloop::Area area = rowloop::wholeTexture(*copy.tree, step);
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(area.columns) * area.rows);
            rowloop::GreyBytes sink(bytes.data(), static_cast<std::size_t>(area.columns));
            rowloop::evaluate(*copy.tree, area, sink);
            for (int r = 0; r < area.rows; ++r)
                for (int c = 0; c < area.columns; ++c)
                    ASSERT_EQ(bytes[static_cast<std::size_t>(r) * area.columns + c],
                              greyByte(layer->pixelValue(c * step, r * step)))
                        << "seed " << seed << ", edit " << edit << ", step " << step << ", pixel " << c * step << ", " << r * step;
            planes.keep(std::move(copy));
        }
    }
}
