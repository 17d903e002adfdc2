// A long random session with the controller, as a user at the panel and the
// mouse would drive it, checking the composition's invariants after every
// command. Under the sanitizer build this also proves that nothing leaks or
// touches a destroyed layer.
#include "app/layercontrols.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "layers/viewlimits.h"
#include "tests/support/scriptedchooser.h"
#include "tests/support/scriptedquestion.h"
#include "tests/support/testfiles.h"
#include "ui/controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <unistd.h>

namespace {

class ControllerSoakTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.ok());
        folder = temp.path();
        controls.build(&window);
        controls.setViewportSize(12, 9);
        controls.fileChooser = &chooser;
        controls.infoLine.setField(&info);
        controls.setBaseLayer(createLayer(0));
        question.answer = UnsavedChangesQuestion::Answer::Discard, controls.history.closeQuestion = &question;

        testfiles::writeFile(temp / "garbage.xml", "\x01\x02not xml at all<<<");
        testfiles::writeFile(temp / "empty.xml", "<?xml version=\"1.0\" ?><Patternlens><Layers/></Patternlens>");
        testfiles::writeFile(temp / "foreign.xml", "<?xml version=\"1.0\" ?><Other/>");
        testfiles::writeFile(temp / "truncated.xml", "<?xml version=\"1.0\" ?><Patternlens><Layers><Layer TypeID=\"1\" x=\"1");
    }
    // Every layer of the tree, checking on the way that each input layer's
    // parent is the layer that owns the variable holding it.
    void collect(Renderable* layer, std::set<Renderable*>& layers)
    {
        ASSERT_TRUE(layers.insert(layer).second) << "a layer appears twice in the tree";
        for (int i = 0; i < layer->variableCount; ++i) {
            const LayerVariable& v = layer->variables[i];
            ASSERT_EQ(v.getOwner(), layer);
            ASSERT_TRUE(std::isfinite(v.getValue()));
            if (Renderable* input = v.getInputLayer()) {
                ASSERT_EQ(input->parent, layer);
                collect(input, layers);
            }
        }
        ASSERT_TRUE(std::isfinite(layer->x) && std::fabs(layer->x) <= viewlimits::maxCentre);
        ASSERT_TRUE(std::isfinite(layer->y) && std::fabs(layer->y) <= viewlimits::maxCentre);
        ASSERT_TRUE(layer->zoomx >= viewlimits::minExtent && layer->zoomx <= viewlimits::maxExtent);
        ASSERT_TRUE(layer->zoomy >= viewlimits::minExtent && layer->zoomy <= viewlimits::maxExtent);
    }

    void checkInvariants(const std::string& step)
    {
        SCOPED_TRACE(step);
        ASSERT_EQ(controls.baseLayerCount, 1);   // every command keeps a composition
        Renderable* base = controls.baseLayers[0];
        ASSERT_NE(base, nullptr);
        ASSERT_EQ(base->parent, nullptr);
        std::set<Renderable*> layers;
        collect(base, layers);
        Renderable* current = controls.currentLayer;
        ASSERT_TRUE(layers.count(current)) << "the current layer is not in the tree";

        const int selected = controls.variableList->get_int_val();
        ASSERT_EQ(static_cast<int>(controls.variableList->items().size()), current->variableCount);
        ASSERT_TRUE(selected >= 0 && selected < current->variableCount);
        const bool driven = current->variables[selected].getInputLayer() != nullptr;
        ASSERT_EQ(controls.assignInputButton->enabled(), !driven);
        ASSERT_EQ(controls.removeInputButton->enabled(), driven);
        ASSERT_EQ(controls.editInputButton->enabled(), driven);
        ASSERT_EQ(controls.goToParentButton->enabled(), current->parent != nullptr);
        ASSERT_EQ(controls.inverseCheckbox->get_int_val() != 0, current->inverse);
    }

    testfiles::TempFolder temp;
    std::string folder;
    ui::ControlWindow window;
    ui::EditText info{"Info: ", -1, nullptr};
    ScriptedChooser chooser;
    ScriptedQuestion question;
    LayerControls controls;
};

TEST_F(ControllerSoakTest, ThousandsOfRandomCommandsKeepTheTreeConsistent)
{
    std::mt19937 rng(20261207);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const char* files[] = {"saved.xml", "garbage.xml", "empty.xml", "foreign.xml", "truncated.xml", "missing.xml"};
    int deepest = 0, goodLoads = 0, badLoads = 0;

    for (int step = 0; step < 6000; ++step) {
        std::string what;
        switch (pick(0, 13)) {
        case 0:
            what = "change base";
            controls.layerTypeList->choose(pick(0, 2));
            controls.changeBaseButton->click();
            break;
        case 1:
        case 2:
            what = "assign";
            controls.layerTypeList->choose(pick(0, 2));
            controls.assignInputButton->click();
            break;
        case 3: what = "edit"; controls.editInputButton->click(); break;
        case 4: what = "remove"; controls.removeInputButton->click(); break;
        case 5:
        case 6: what = "parent"; controls.goToParentButton->click(); break;
        case 7:
            what = "select";
            controls.variableList->choose(pick(0, 1));
            break;
        case 8: what = "inverse"; controls.inverseCheckbox->toggle(); break;
        case 9:
            what = "pan";
            controls.panCurrentLayer(pick(-100000, 100000), pick(-100000, 100000));
            break;
        case 10:
            what = "zoom";
            controls.zoomCurrentLayer(pick(-90, 9));
            break;
        case 11:
            what = "adjust";
            controls.adjustSelectedVariable(static_cast<float>(pick(-500, 500)) / 100.0f);
            break;
        case 12:
            what = "save";
            chooser.path = pick(0, 9) == 0 ? std::string() : folder + "/saved";   // the suffix is added
            controls.saveButton->click();
            break;
        case 13: {
            const int file = pick(0, 5);
            what = std::string("load ") + files[file];
            chooser.path = folder + "/" + files[file];
            info.set_text("");
            Renderable* before = controls.baseLayers[0];
            controls.loadButton->click();
            const bool loaded = controls.baseLayers[0] != before;
            if (file == 0 && access(chooser.path.c_str(), F_OK) == 0) {
                EXPECT_TRUE(loaded) << info.get_text();
                goodLoads += loaded;
            } else if (file != 0) {
                // A bad file changes nothing and says why.
                EXPECT_FALSE(loaded);
                EXPECT_EQ(info.get_text().rfind("Could not load " + chooser.path + ": ", 0), 0u) << info.get_text();
                ++badLoads;
            }
            break;
        }
        }
        checkInvariants("step " + std::to_string(step) + ": " + what);
        if (HasFatalFailure()) return;
        int depth = 0;
        for (Renderable* l = controls.currentLayer; l->parent; l = l->parent) ++depth;
        deepest = std::max(deepest, depth);
    }
    // The session really went deep and really loaded files.
    EXPECT_GE(deepest, 4);
    EXPECT_GT(goodLoads, 10);
    EXPECT_GT(badLoads, 50);
}

TEST_F(ControllerSoakTest, ExtremeDragsNeverBreakAView)
{
    controls.layerTypeList->choose(2);
    controls.assignInputButton->click();   // a Circles input below the Noise base
    controls.goToParentButton->click();
    Renderable* base = controls.currentLayer;

    for (int i = 0; i < 3000; ++i) controls.zoomCurrentLayer(-9);          // zoom out, and out
    EXPECT_EQ(base->zoomy, viewlimits::maxExtent);
    for (int i = 0; i < 3000; ++i) controls.zoomCurrentLayer(9);           // and back in
    EXPECT_EQ(base->zoomy, viewlimits::minExtent);
    controls.zoomCurrentLayer(controls.viewportHeight * 3);                 // beyond the factor 1
    EXPECT_EQ(base->zoomy, viewlimits::minExtent);

    for (int i = 0; i < 2000; ++i) controls.panCurrentLayer(-100000, 100000);
    EXPECT_EQ(base->x, -viewlimits::maxCentre);
    EXPECT_EQ(base->y, -viewlimits::maxCentre);
    controls.renderCurrentLayer();                                         // far out and tiny: still fine

    for (int i = 0; i < 1000; ++i) controls.adjustSelectedVariable(1e30f);
    EXPECT_EQ(base->variables[0].getValue(), 1.0f);
    for (int i = 0; i < 1000; ++i) controls.adjustSelectedVariable(-1e30f);
    EXPECT_EQ(base->variables[0].getValue(), -1.0f);
    checkInvariants("after the extreme drags");
}

} // namespace
