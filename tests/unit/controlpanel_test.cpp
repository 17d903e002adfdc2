// The panel and the layer-tree commands, driven through the controls as a
// user would: clicks, picks and ticks on the plain control objects.
#include "app/layercontrols.h"

#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "persistence/scenefile.h"
#include "ui/controls.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

class ControlPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        controls.build(&window);
        controls.setViewportSize(16, 12);
        controls.setBaseLayer(createLayer(0));   // as at start-up
        controls.renderCurrentLayer();
    }

    ui::Button& button(const char* label) { return *static_cast<ui::Button*>(window.find(label)); }
    ui::Listbox& variables() { return *controls.variableList; }
    ui::Listbox& types() { return *controls.layerTypeList; }
    std::string value() const { return controls.valueField->get_text(); }
    bool enabled(const char* label) { return window.find(label)->enabled(); }

    // Which of the input-layer buttons and "Go to parent" are enabled, as a
    // compact string such as "A--P" (Assign, Remove, Edit, Parent).
    std::string buttons()
    {
        std::string s;
        s += enabled("Assign input layer") ? 'A' : '-';
        s += enabled("Remove input layer") ? 'R' : '-';
        s += enabled("Edit input layer") ? 'E' : '-';
        s += enabled("Go to parent") ? 'P' : '-';
        return s;
    }

    std::vector<std::string> variableNames()
    {
        std::vector<std::string> names;
        for (const auto& item : variables().items()) names.push_back(item.text);
        return names;
    }

    ui::ControlWindow window;
    LayerControls controls;
};

TEST_F(ControlPanelTest, BuildCreatesTheControlsInOrderWithExactLabels)
{
    const ui::Panel& root = window.root();
    ASSERT_EQ(root.children().size(), 17u);
    EXPECT_EQ(root.children()[0]->label(), "Layer controls");
    EXPECT_EQ(root.children()[1]->label(), "Load from XML");
    EXPECT_EQ(root.children()[2]->label(), "Save to XML");
    // The additions follow, so nothing above them moves: the export and the
    // view, then undo and redo (disabled with nothing to undo) with "Layers"
    // in their row, then the readouts. "Seamless" shares the export button's
    // row.
    EXPECT_EQ(root.children()[3]->label(), "Export");
    EXPECT_TRUE(static_cast<const ui::Button&>(*root.children()[3]).shares_row());
    EXPECT_EQ(root.children()[4]->label(), "Seamless");
    EXPECT_EQ(root.children()[5]->label(), "Export size:");
    // "Keep aspect" on the row below, switched on.
    EXPECT_EQ(root.children()[6]->label(), "Keep aspect");
    EXPECT_EQ(static_cast<const ui::Checkbox&>(*root.children()[6]).get_int_val(), 1);
    // "View as", its setting's field greyed while the view is Grey.
    EXPECT_EQ(root.children()[7]->label(), "View as:");
    EXPECT_EQ(root.children()[8]->label(), "");
    EXPECT_FALSE(root.children()[8]->enabled());
    EXPECT_EQ(root.children()[9]->label(), "Undo");
    EXPECT_EQ(root.children()[10]->label(), "Redo");
    EXPECT_FALSE(root.children()[9]->enabled());
    EXPECT_FALSE(root.children()[10]->enabled());
    EXPECT_EQ(root.children()[11]->label(), "Layers");
    // Copy and Paste, with Examples, on the row below.
    EXPECT_EQ(root.children()[12]->label(), "Copy");
    EXPECT_EQ(root.children()[13]->label(), "Paste");
    EXPECT_EQ(root.children()[14]->label(), "Examples");
    EXPECT_TRUE(static_cast<const ui::Button&>(*root.children()[12]).shares_row());
    EXPECT_TRUE(static_cast<const ui::Button&>(*root.children()[13]).shares_row());
    EXPECT_EQ(root.children()[15]->label(), "Layer path:");
    EXPECT_EQ(root.children()[16]->label(), "Values in view:");

    const auto& outer = static_cast<const ui::Panel&>(*root.children()[0]).children();
    ASSERT_EQ(outer.size(), 6u);
    EXPECT_EQ(outer[0]->label(), "Change base");
    EXPECT_EQ(outer[1]->label(), "Inverse");
    // The seed's field with "New seed" beside it, directly below Inverse.
    EXPECT_EQ(outer[2]->label(), "Seed");
    EXPECT_TRUE(static_cast<const ui::EditText&>(*outer[2]).shares_row());
    EXPECT_EQ(outer[3]->label(), "New seed");
    EXPECT_EQ(outer[4]->label(), "Layer Variables");
    EXPECT_EQ(outer[5]->label(), "Go to parent");

    const auto& inner = static_cast<const ui::Panel&>(*outer[4]).children();
    const char* expected[] = {"Select variable: ", "Value: ", "Layer Types: ", "Assign input layer",
                              "Remove input layer", "Edit input layer"};
    ASSERT_EQ(inner.size(), 6u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(inner[i]->label(), expected[i]);
    for (const auto& c : inner) EXPECT_EQ(c->id(), -1);

    const char* typeNames[] = {"Noise", "Squares", "Circles", "Fractal", "Cells", "Blend",
                               "Warp",  "Ridged",  "Terrace", "Combine", "Gradient"};
    ASSERT_EQ(types().items().size(), 11u);
    for (int t = 0; t < 11; ++t) EXPECT_EQ(types().items()[t].text, typeNames[t]);
    EXPECT_EQ(types().selectedText(), "Noise");
}

TEST_F(ControlPanelTest, StartUpShowsTheNoiseBaseLayer)
{
    EXPECT_EQ(variableNames(), std::vector<std::string>{"Cutoff"});
    EXPECT_EQ(variables().selectedText(), "Cutoff");
    EXPECT_EQ(value(), "0.5");
    EXPECT_EQ(buttons(), "A---");
    EXPECT_EQ(controls.inverseCheckbox->get_int_val(), 0);
    EXPECT_TRUE(enabled("Change base"));
    EXPECT_TRUE(enabled("Load from XML"));
    EXPECT_TRUE(enabled("Save to XML"));
}

// Combine's Mode and Gradient's Shape show the name of their whole number
// beside the value; other variables show the value alone.
TEST_F(ControlPanelTest, ValueRowNamesModesAndShapes)
{
    controls.setBaseLayer(createLayer(9));
    variables().choose(2);
    EXPECT_EQ(value(), "0 (Add)");
    controls.adjustSelectedVariable(5.5f);   // a whole number: the mode it reads
    EXPECT_EQ(value(), "5 (Difference)");
    variables().choose(0);
    EXPECT_EQ(value(), "0.5");
    controls.setBaseLayer(createLayer(10));
    EXPECT_EQ(value(), "2 (Radial)");
}

TEST_F(ControlPanelTest, AssignGoesDownAndGoToParentComesBackWithTheFirstVariable)
{
    Renderable* base = controls.currentLayer;
    types().choose(1);   // Squares
    button("Assign input layer").click();
    Renderable* squares = controls.currentLayer;
    ASSERT_NE(squares, base);
    EXPECT_EQ(squares->typeId, 1);
    EXPECT_EQ(squares->parent, base);
    EXPECT_EQ(base->variables[0].getInputLayer(), squares);
    EXPECT_EQ(variableNames(), std::vector<std::string>{"Width"});
    EXPECT_EQ(buttons(), "A--P");
    EXPECT_TRUE(controls.takeRedrawRequest());

    button("Go to parent").click();
    EXPECT_EQ(controls.currentLayer, base);
    EXPECT_EQ(variables().selectedText(), "Cutoff");
    EXPECT_EQ(buttons(), "-RE-");
}

TEST_F(ControlPanelTest, ComingBackUpSelectsTheFirstVariableNotTheOneWentThrough)
{
    types().choose(2);
    button("Change base").click();    // a Circles base
    variables().choose(1);            // Spacing
    button("Assign input layer").click();
    button("Go to parent").click();
    EXPECT_EQ(variables().selectedText(), "Radius");
    EXPECT_EQ(buttons(), "A---");
    variables().choose(1);
    EXPECT_EQ(buttons(), "-RE-");
    EXPECT_EQ(value(), "2");
}

TEST_F(ControlPanelTest, EditEntersTheExistingInputLayer)
{
    button("Assign input layer").click();
    Renderable* input = controls.currentLayer;
    button("Go to parent").click();
    button("Edit input layer").click();
    EXPECT_EQ(controls.currentLayer, input);
    EXPECT_EQ(buttons(), "A--P");
}

TEST_F(ControlPanelTest, RemoveDestroysTheWholeSubtreeAndStaysOnTheLayer)
{
    Renderable* base = controls.currentLayer;
    button("Assign input layer").click();
    button("Assign input layer").click();   // a chain of two below the base
    button("Go to parent").click();
    button("Go to parent").click();
    ASSERT_EQ(controls.currentLayer, base);
    ASSERT_NE(base->variables[0].getInputLayer()->variables[0].getInputLayer(), nullptr);

    button("Remove input layer").click();
    EXPECT_EQ(controls.currentLayer, base);
    EXPECT_EQ(base->variables[0].getInputLayer(), nullptr);
    EXPECT_EQ(buttons(), "A---");
    EXPECT_EQ(variables().selectedText(), "Cutoff");
}

TEST_F(ControlPanelTest, ChangeBaseFromDeepInsideStartsAFreshTree)
{
    controls.adjustSelectedVariable(-0.3f);
    EXPECT_EQ(value(), "0.2");
    for (int i = 0; i < 3; ++i) button("Assign input layer").click();
    EXPECT_EQ(buttons(), "A--P");

    button("Change base").click();   // Noise is still the selected type
    Renderable* base = controls.currentLayer;
    EXPECT_EQ(base, controls.baseLayers[0]);
    EXPECT_EQ(base->parent, nullptr);
    EXPECT_EQ(base->variables[0].getInputLayer(), nullptr);
    EXPECT_EQ(value(), "0.5");
    EXPECT_EQ(buttons(), "A---");
}

TEST_F(ControlPanelTest, InverseBelongsToTheCurrentLayerOnly)
{
    button("Assign input layer").click();
    Renderable* input = controls.currentLayer;
    controls.takeRedrawRequest();
    controls.inverseCheckbox->toggle();
    EXPECT_TRUE(input->inverse);
    EXPECT_TRUE(controls.takeRedrawRequest());
    button("Go to parent").click();
    EXPECT_FALSE(controls.currentLayer->inverse);
    EXPECT_EQ(controls.inverseCheckbox->get_int_val(), 0);
    button("Edit input layer").click();
    EXPECT_EQ(controls.inverseCheckbox->get_int_val(), 1);
}

TEST_F(ControlPanelTest, AdjustingClampsAndShowsTheStoredValue)
{
    controls.adjustSelectedVariable(2.0f);
    EXPECT_EQ(value(), "1");
    controls.adjustSelectedVariable(-5.0f);
    EXPECT_EQ(value(), "-1");

    types().choose(1);
    button("Change base").click();   // Squares: Width within [0.001, 5]
    controls.adjustSelectedVariable(-10.0f);
    EXPECT_EQ(value(), "0.001");
    controls.adjustSelectedVariable(0.499f);
    EXPECT_EQ(value(), "0.5");
}

TEST_F(ControlPanelTest, AdjustingADrivenVariableChangesItsStoredValue)
{
    button("Assign input layer").click();
    button("Go to parent").click();
    controls.adjustSelectedVariable(0.25f);
    EXPECT_EQ(value(), "0.75");
    EXPECT_EQ(controls.currentLayer->variables[0].getValue(), 0.75f);
}

TEST_F(ControlPanelTest, TypingIntoValueChangesNothingAndTheFieldKeepsTheStoredValue)
{
    controls.valueField->type("0.9");
    EXPECT_EQ(controls.currentLayer->variables[0].getValue(), 0.5f);
    EXPECT_EQ(value(), "0.5");
    EXPECT_TRUE(controls.valueField->read_only());
}

TEST_F(ControlPanelTest, PickingAVariableAsksForNoPicture)
{
    // What the panel shows does not change the picture: no render for it.
    types().choose(2);
    button("Change base").click();
    controls.takeRedrawRequest();
    variables().choose(1);
    EXPECT_EQ(value(), "2");
    EXPECT_FALSE(controls.takeRedrawRequest());
}

TEST_F(ControlPanelTest, EveryEditAsksForOnePictureAndRendersNothingItself)
{
    const auto editsOf = [&](const char* what, const std::function<void()>& edit) {
        controls.takeRedrawRequest();
        controls.currentLayer->pixels.clear();
        edit();
        EXPECT_TRUE(controls.takeRedrawRequest()) << what;
        EXPECT_TRUE(controls.currentLayer->pixels.empty()) << what << " rendered on the spot";
    };
    editsOf("Inverse", [&] { controls.inverseCheckbox->toggle(); });
    editsOf("Adjust", [&] { controls.adjustSelectedVariable(0.1f); });
    editsOf("Pan", [&] { controls.panCurrentLayer(3, 4); });
    editsOf("Assign", [&] { button("Assign input layer").click(); });
    editsOf("Go to parent", [&] { button("Go to parent").click(); });
    editsOf("Remove", [&] { button("Remove input layer").click(); });
    editsOf("Change base", [&] { button("Change base").click(); });
}

class EmptyPanelTest : public ControlPanelTest {
protected:
    void SetUp() override
    {
        ControlPanelTest::SetUp();
        controls.clearLayers();
        controls.refreshPanel();
        controls.takeRedrawRequest();
    }
};

TEST_F(EmptyPanelTest, WithoutALayerOnlyChangeBaseLoadAndSaveAct)
{
    EXPECT_TRUE(enabled("Change base"));
    EXPECT_EQ(buttons(), "----");
    EXPECT_TRUE(variables().items().empty());

    // Even clicked while enabled by mistake, the commands do nothing.
    button("Assign input layer").enable();
    button("Assign input layer").click();
    controls.onRemoveInputLayer();
    controls.onEditInputLayer();
    controls.onGoToParent();
    controls.inverseCheckbox->toggle();
    controls.adjustSelectedVariable(1);
    EXPECT_EQ(controls.currentLayer, nullptr);
    EXPECT_FALSE(controls.takeRedrawRequest());

    button("Change base").click();
    ASSERT_NE(controls.currentLayer, nullptr);
    EXPECT_EQ(buttons(), "A---");
}

} // namespace

namespace {

// "Seamless": an undoable switch of the whole composition, which its input
// layers, a new base and the scene file carry; the file says so only when on.
TEST_F(ControlPanelTest, SeamlessIsAnUndoableSwitchOfTheSceneThatItsFileHolds)
{
    controls.onAssignInputLayer();
    controls.onGoToParent();
    const std::string flat = scenefile::text(controls.baseLayers, 1, controls.sceneSettings);
    ui::Checkbox& box = *controls.settingsPanel.seamlessCheckbox;
    box.toggle();
    Renderable* input = controls.baseLayer()->variables[0].getInputLayer();
    EXPECT_TRUE(controls.baseLayer()->seamless && input->seamless);
    EXPECT_TRUE(controls.history.isModified());
    const std::string seamless = scenefile::text(controls.baseLayers, 1, controls.sceneSettings);
    std::string expected = flat;
    expected.replace(expected.find("<Patternlens>"), 13, "<Patternlens seamless=\"1\">");
    EXPECT_EQ(seamless, expected);
    for (const auto& [text, on] : {std::pair{seamless, true}, std::pair{flat, false}})
        EXPECT_EQ(scenefile::parse(text).baseLayer->variables[0].getInputLayer()->seamless, on);
    controls.onAssignInputLayer();   // the same input again: a step that changed nothing
    EXPECT_TRUE(controls.currentLayer->seamless);
    controls.history.onUndo();
    EXPECT_EQ(box.get_int_val(), 0);
    EXPECT_EQ(scenefile::text(controls.baseLayers, 1, controls.sceneSettings), flat);
    controls.history.onRedo();
    EXPECT_EQ(box.get_int_val(), 1);
    button("Change base").click();
    EXPECT_TRUE(controls.baseLayer()->seamless);
}

} // namespace

namespace {

// "Seed" sets the typed seed on Enter as one step, the same value is no
// step, refused text reverts with the reason; "New seed" picks another seed
// from 1 up, one step; undo brings seed and field back.
TEST_F(ControlPanelTest, SeedFieldAndNewSeedAreUndoableSteps)
{
    ui::EditText& seed = *controls.seeds.seedField;
    const auto enter = [&](const std::string& text) { seed.type(text), seed.commit(); };
    enter("0042");
    EXPECT_EQ(controls.currentLayer->seed, 42u);
    EXPECT_EQ(controls.history.edits.undoLabel(), "Seed");
    const std::size_t steps = controls.history.edits.undoCount();
    for (const char* same : {"42", "-1", "4294967296", "1.5", " 7", ""}) {
        enter(same);
        EXPECT_EQ(seed.get_text(), "42") << same;
        EXPECT_EQ(controls.history.edits.undoCount(), steps) << same;
    }
    EXPECT_EQ(controls.infoLine.outcome(), "Seed: seed must be a whole number from 0 to 4294967295");
    for (int k = 0; k < 20; ++k) {
        const std::uint32_t before = controls.currentLayer->seed;
        button("New seed").click();
        EXPECT_NE(controls.currentLayer->seed, before);
        EXPECT_NE(controls.currentLayer->seed, 0u);
        EXPECT_EQ(seed.get_text(), std::to_string(controls.currentLayer->seed));
        EXPECT_EQ(controls.history.edits.undoLabel(), "New seed");
    }
    for (int k = 0; k < 20; ++k) controls.history.onUndo();
    EXPECT_EQ(seed.get_text(), "42");
}

} // namespace
