// Undo and redo driven as a user drives them (clicks, drags, loads, the
// keyboard's commands), checked step for step against a model: the list of
// the composition's scene texts, a cursor into it, and for every step where
// the user was and what the drawing area showed before and after it.
#include "app/history/editstep.h"
#include "app/layercontrols.h"
#include "app/mousemodes.h"
#include "app/history/windowtitle.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "persistence/scenefile.h"
#include "app/questions/unsavedchangesquestion.h"
#include "randomcomposition.h"
#include "tests/support/scriptedchooser.h"
#include "tests/support/scriptedquestion.h"
#include "tests/support/testfiles.h"
#include "ui/controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using testfiles::readFile;
using testfiles::writeFile;

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.ok());
        controls.build(&window);
        controls.setViewportSize(8, 6);
        controls.fileChooser = &chooser;
        controls.infoLine.setField(&info);
        controls.setBaseLayer(createLayer(0));   // as at start-up
    }

    std::string text() const { return scenefile::text(controls.baseLayers, controls.baseLayerCount); }
    std::vector<std::uint8_t> picture()
    {
        if (!controls.currentLayer) return {};
        controls.currentLayer->fillPixels();
        return controls.currentLayer->pixels;
    }
    std::string selectedVariable() const { return controls.variableList->selectedText(); }

    // A drag in the drawing area as the shell runs it: the press, motion
    // events by the given deltas, the release.
    void drag(int button, int modifiers, const std::vector<std::pair<int, int>>& moves)
    {
        int x = 4, y = 3;
        MouseMode before = mode;
        mousemodes::applyButton(mode, lastX, lastY, button, mousemodes::buttonDown, x, y, modifiers);
        controls.history.dragModeChanged(before, mode);
        for (const auto& [dx, dy] : moves) {
            x += dx;
            y += dy;
            mousemodes::applyMotion(mode, lastX, lastY, x, y, controls);
        }
        before = mode;
        mousemodes::applyButton(mode, lastX, lastY, button, mousemodes::buttonUp, x, y, 0);
        controls.history.dragModeChanged(before, mode);
    }

    void save(const std::string& name)
    {
        chooser.path = name.empty() ? name : temp / name;
        controls.saveButton->click();
    }
    void load(const std::string& name)
    {
        chooser.path = name.empty() ? name : temp / name;
        controls.loadButton->click();
    }

    testfiles::TempFolder temp;
    ui::ControlWindow window;
    ui::EditText info{"Info: ", -1, nullptr};
    ScriptedChooser chooser;
    LayerControls controls;
    MouseMode mode = MouseMode::None;
    int lastX = 0, lastY = 0;
};

// --- The model ---

struct ModelStep {
    std::string label;
    LayerLocation before, after;
    std::string variableBefore, variableAfter;
    std::vector<std::uint8_t> pictureBefore, pictureAfter;
};

TEST_F(HistoryTest, RandomEditsUndosAndRedosAgreeWithTheModelStepForStep)
{
    // Scene files to load: random trees, each a different composition.
    const int files = 4;
    for (int k = 0; k < files; ++k) {
        RandomComposition random(1000 + k);
        std::unique_ptr<Renderable> tree(random.make(2));
        Renderable* base = tree.get();
        writeFile(temp / ("s" + std::to_string(k) + ".xml"), scenefile::text(&base, 1));
    }

    for (unsigned seed = 1; seed <= 25; ++seed) {
        controls.setBaseLayer(createLayer(0));
        controls.history.edits.clear();
        controls.history.refreshButtons();
        std::mt19937 rng(seed);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };

        std::vector<std::string> states{text()};
        std::vector<ModelStep> steps;   // steps[i] leads from states[i] to states[i + 1]
        std::size_t cursor = 0;

        for (int action = 0; action < 120; ++action) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", action " + std::to_string(action));
            const int what = pick(0, 13);
            const LayerLocation whereBefore = controls.history.currentLocation();
            const std::string variableBefore = selectedVariable();
            const std::vector<std::uint8_t> pictureBefore = picture();
            std::string label;   // the step an edit makes, if it changes anything
            bool edit = true;
            switch (what) {
            case 0:
                controls.layerTypeList->choose(pick(0, 2));
                controls.changeBaseButton->click();
                label = "Change base";
                break;
            case 1:
                controls.inverseCheckbox->toggle();
                label = "Inverse";
                break;
            case 2:
                controls.layerTypeList->choose(pick(0, 2));
                controls.assignInputButton->click();
                label = "Assign input layer";
                break;
            case 3:
                controls.removeInputButton->click();
                label = "Remove input layer";
                break;
            case 4:
                drag(mousemodes::leftButton, 0, {{pick(-3, 3), pick(-3, 3)}, {pick(-3, 3), pick(-3, 3)}});
                label = "Pan";
                break;
            case 5:
                drag(mousemodes::rightButton, 0, {{0, pick(0, 1) * 2 - 1}});
                label = "Zoom";
                break;
            case 6:
                // A quarter per 25 pixels: values on Cutoff's range stay exact,
                // so every change shows in six decimals.
                if (selectedVariable() != "Cutoff") continue;
                drag(mousemodes::leftButton, mousemodes::shiftBit, {{0, 25 * pick(-2, 2)}, {0, 25 * pick(-1, 1)}});
                label = "Adjust Cutoff";
                break;
            case 7: {
                const std::string name = "s" + std::to_string(pick(0, files - 1)) + ".xml";
                load(name);
                label = "Load " + name;
                break;
            }
            case 8:
                edit = false;
                controls.editInputButton->click();
                break;
            case 9:
                edit = false;
                controls.goToParentButton->click();
                break;
            case 10:
                edit = false;
                if (!controls.variableList->items().empty())
                    controls.variableList->choose(pick(0, static_cast<int>(controls.variableList->items().size()) - 1));
                break;
            case 11:
            case 12: {
                // Undo, by the button or (also when there is nothing to undo)
                // by the keyboard's command.
                edit = false;
                if (what == 11) controls.history.undoButton->click();
                else controls.history.onUndo();
                if (cursor == 0) {
                    if (what == 12) {
                        EXPECT_EQ(info.get_text(), "Nothing to undo");
                    }
                    break;
                }
                --cursor;
                const ModelStep& s = steps[cursor];
                EXPECT_EQ(info.get_text(), "Undid: " + s.label);
                EXPECT_EQ(controls.history.currentLocation(), s.before);
                EXPECT_EQ(selectedVariable(), s.variableBefore);
                EXPECT_EQ(picture(), s.pictureBefore) << "undo of " << s.label;
                break;
            }
            case 13: {
                edit = false;
                if (pick(0, 1)) controls.history.redoButton->click();
                else controls.history.onRedo();
                if (cursor + 1 >= states.size()) break;
                const ModelStep& s = steps[cursor];
                ++cursor;
                EXPECT_EQ(info.get_text(), "Redid: " + s.label);
                EXPECT_EQ(controls.history.currentLocation(), s.after);
                EXPECT_EQ(selectedVariable(), s.variableAfter);
                EXPECT_EQ(picture(), s.pictureAfter) << "redo of " << s.label;
                break;
            }
            }

            const std::string now = text();
            if (edit && now != states[cursor]) {
                // A new step; whatever could be redone is gone.
                states.resize(cursor + 1);
                steps.resize(cursor);
                states.push_back(now);
                steps.push_back({label, whereBefore, controls.history.currentLocation(), variableBefore, selectedVariable(),
                                 pictureBefore, picture()});
                ++cursor;
            }
            ASSERT_EQ(now, states[cursor]);
            ASSERT_EQ(controls.history.edits.undoCount(), cursor);
            ASSERT_EQ(controls.history.edits.redoCount(), states.size() - 1 - cursor);
            EXPECT_EQ(controls.history.undoButton->enabled(), cursor > 0);
            EXPECT_EQ(controls.history.redoButton->enabled(), cursor + 1 < states.size());
            if (cursor > 0) {
                EXPECT_EQ(controls.history.edits.undoLabel(), steps[cursor - 1].label);
            }
        }

        // Everything undone gives the start, everything redone the end.
        const std::size_t end = states.size() - 1;
        while (controls.history.edits.canUndo()) controls.history.onUndo();
        EXPECT_EQ(text(), states[0]);
        while (controls.history.edits.canRedo()) controls.history.onRedo();
        EXPECT_EQ(text(), states[end]);
    }
}

// --- One drag, one step ---

TEST_F(HistoryTest, AWholeDragIsOneStepAndAClickWithoutMovingIsNone)
{
    const std::string start = text();
    drag(mousemodes::leftButton, 0, {{1, 0}, {2, 1}, {3, -1}, {1, 1}, {-2, 0}});
    EXPECT_EQ(controls.history.edits.undoCount(), 1u);
    EXPECT_EQ(controls.history.edits.undoLabel(), "Pan");

    drag(mousemodes::leftButton, 0, {});
    drag(mousemodes::rightButton, 0, {{0, 1}, {0, -1}});   // zoom steps compound: not back to the start
    EXPECT_EQ(controls.history.edits.undoCount(), 2u);
    EXPECT_EQ(controls.history.edits.undoLabel(), "Zoom");
    drag(mousemodes::leftButton, mousemodes::shiftBit, {{0, 0}});
    EXPECT_EQ(controls.history.edits.undoCount(), 2u) << "an adjust that moved nothing is no step";

    // A right press during a left drag changes the mode, not the step.
    MouseMode before = mode;
    mousemodes::applyButton(mode, lastX, lastY, mousemodes::leftButton, mousemodes::buttonDown, 4, 4, 0);
    controls.history.dragModeChanged(before, mode);
    mousemodes::applyMotion(mode, lastX, lastY, 6, 4, controls);
    before = mode;
    mousemodes::applyButton(mode, lastX, lastY, mousemodes::rightButton, mousemodes::buttonDown, 6, 4, 0);
    controls.history.dragModeChanged(before, mode);
    mousemodes::applyMotion(mode, lastX, lastY, 6, 5, controls);
    before = mode;
    mousemodes::applyButton(mode, lastX, lastY, mousemodes::rightButton, mousemodes::buttonUp, 6, 5, 0);
    controls.history.dragModeChanged(before, mode);
    EXPECT_EQ(controls.history.edits.undoCount(), 3u);
    EXPECT_EQ(controls.history.edits.undoLabel(), "Pan");

    controls.history.onUndo();
    controls.history.onUndo();
    controls.history.onUndo();
    EXPECT_EQ(text(), start);
    EXPECT_FALSE(controls.history.undoButton->enabled());
    EXPECT_TRUE(controls.history.redoButton->enabled());
}

TEST_F(HistoryTest, UndoWaitsWhileADragIsHeldAndAnEditInsideADragSplitsIt)
{
    MouseMode before = mode;
    mousemodes::applyButton(mode, lastX, lastY, mousemodes::leftButton, mousemodes::buttonDown, 4, 4, 0);
    controls.history.dragModeChanged(before, mode);
    mousemodes::applyMotion(mode, lastX, lastY, 6, 4, controls);
    const std::string dragged = text();
    controls.history.onUndo();   // ignored: the drag is not over
    EXPECT_EQ(text(), dragged);

    // An edit arriving in the middle (a keyboard command) closes the drag
    // so far as a step, makes its own, and the drag goes on as a third.
    controls.inverseCheckbox->toggle();
    mousemodes::applyMotion(mode, lastX, lastY, 7, 4, controls);
    before = mode;
    mousemodes::applyButton(mode, lastX, lastY, mousemodes::leftButton, mousemodes::buttonUp, 7, 4, 0);
    controls.history.dragModeChanged(before, mode);
    EXPECT_EQ(controls.history.edits.undoCount(), 3u);
    controls.history.onUndo();
    EXPECT_EQ(info.get_text(), "Undid: Pan");
    controls.history.onUndo();
    EXPECT_EQ(info.get_text(), "Undid: Inverse");
    EXPECT_EQ(text(), dragged);
}

// --- Where undo puts the user ---

TEST_F(HistoryTest, PageKeysStepATwentiethOfTheRangeClampedAndAHeldKeyIsOneStep)
{
    for (int press = 0; press < 7; ++press) controls.variableSteps.step(+1);   // Cutoff 0.5 in -1 to 1
    EXPECT_EQ(controls.valueField->get_text(), "1");
    controls.variableSteps.end();
    for (int press = 0; press < 2; ++press) controls.variableSteps.step(-1);
    controls.variableSteps.end();
    EXPECT_FLOAT_EQ(controls.currentLayer->variables[0].getValue(), 0.8f);
    controls.history.onUndo(), controls.history.onUndo();
    EXPECT_EQ(info.get_text(), "Undid: Page Up Cutoff");
    EXPECT_FLOAT_EQ(controls.currentLayer->variables[0].getValue(), 0.5f);
}

// Octaves, a whole-number variable, against a model: random Page presses
// and Shift-drags move it by whole numbers within 1 to 8, one a press and
// one per 100 pixels a drag has moved since its last step, from the whole
// number a stored fraction holds; the panel shows the whole number.
TEST_F(HistoryTest, WholeNumberVariablesStepByOneAndShowWholeNumbers)
{
    controls.setBaseLayer(createLayer(3));   // Fractal: Octaves 4 in 1 to 8
    LayerVariable& octaves = controls.currentLayer->variables[0];
    std::mt19937 random(36);
    int model = 4;
    for (int round = 0; round < 300; ++round) {
        if (round % 50 == 0) octaves.setValue(static_cast<float>(model) + 0.7f);   // as a file may store it
        if (random() % 2) {
            const int direction = random() % 2 ? 1 : -1;
            controls.variableSteps.step(direction);
            controls.variableSteps.end();
            model = std::clamp(model + direction, 1, 8);
        } else {
            std::vector<std::pair<int, int>> moves;
            for (int rest = 0, m = static_cast<int>(random() % 6); m > 0; --m) {
                moves.push_back({0, static_cast<int>(random() % 301) - 150});
                rest += moves.back().second;
                model = std::clamp(model + rest / 100, 1, 8);
                rest %= 100;
            }
            drag(mousemodes::leftButton, mousemodes::shiftBit, moves);
        }
        ASSERT_EQ(std::trunc(octaves.getValue()), static_cast<float>(model)) << round;
        ASSERT_EQ(controls.valueField->get_text(), std::to_string(model));
    }
}

TEST_F(HistoryTest, UndoReturnsToTheLayerAndVariableWhereTheStepWasMade)
{
    controls.setBaseLayer(createLayer(2));   // Circles: Radius, Spacing
    controls.history.edits.clear();
    controls.history.refreshButtons();
    controls.variableList->choose(1);        // Spacing
    controls.layerTypeList->choose(2);
    controls.assignInputButton->click();     // down into a Circles layer
    controls.variableList->choose(1);
    controls.layerTypeList->choose(0);
    controls.assignInputButton->click();     // down into a Noise layer
    controls.goToParentButton->click();
    controls.goToParentButton->click();      // at the base, Radius selected
    ASSERT_EQ(selectedVariable(), "Radius");

    controls.history.onUndo();   // the second assignment
    EXPECT_EQ(controls.history.currentLocation().path, std::vector<int>{1});
    EXPECT_EQ(selectedVariable(), "Spacing");
    EXPECT_TRUE(controls.assignInputButton->enabled());
    controls.history.onRedo();   // back down in the new Noise layer
    EXPECT_EQ(controls.history.currentLocation().path, (std::vector<int>{1, 1}));
    EXPECT_EQ(selectedVariable(), "Cutoff");
    EXPECT_EQ(controls.currentLayer->typeId, 0);
    EXPECT_EQ(info.get_text(), "Redid: Assign input layer");
}

TEST_F(HistoryTest, ALocationThatLeadsNowhereStopsAtTheDeepestLayerThatExists)
{
    controls.setBaseLayer(createLayer(2));
    controls.variableList->choose(1);
    controls.assignInputButton->click();   // a Noise layer under Spacing
    LayerLocation where;
    where.path = {1, 0, 3};
    where.variable = 7;
    controls.history.showLocation(where);
    EXPECT_EQ(controls.history.currentLocation().path, std::vector<int>{1});
    EXPECT_EQ(selectedVariable(), "Cutoff");
    where.path = {-1};
    controls.history.showLocation(where);
    EXPECT_EQ(controls.currentLayer, controls.baseLayers[0]);
}

// --- Unsaved changes ---

TEST_F(HistoryTest, ModifiedFollowsSaveLoadEditAndUndoBackToTheSavedState)
{
    const std::string plain = windowtitle::programTitle;
    EXPECT_FALSE(controls.history.isModified());
    EXPECT_EQ(controls.history.windowTitle(), plain);

    drag(mousemodes::leftButton, 0, {{2, 0}});
    EXPECT_TRUE(controls.history.isModified());
    EXPECT_EQ(controls.history.windowTitle(), plain + " *") << "no file yet: only the mark";

    save("a");
    EXPECT_FALSE(controls.history.isModified());
    EXPECT_EQ(controls.history.windowTitle(), plain + " \u2014 a.xml");

    // Navigation and a click that moves nothing change nothing saved.
    controls.variableList->choose(0);
    drag(mousemodes::leftButton, 0, {});
    EXPECT_FALSE(controls.history.isModified());

    controls.inverseCheckbox->toggle();
    EXPECT_TRUE(controls.history.isModified());
    EXPECT_EQ(controls.history.windowTitle(), plain + " \u2014 a.xml *");
    controls.history.onUndo();   // back to what a.xml holds
    EXPECT_FALSE(controls.history.isModified());
    controls.history.onUndo();   // before the save
    EXPECT_TRUE(controls.history.isModified());
    controls.history.onRedo();
    EXPECT_FALSE(controls.history.isModified());
    controls.history.onRedo();
    EXPECT_TRUE(controls.history.isModified());

    // A cancelled save and a failed one leave it modified.
    save("");
    EXPECT_TRUE(controls.history.isModified());
    save("no-such-folder/b");
    EXPECT_TRUE(controls.history.isModified());
    EXPECT_EQ(controls.history.windowTitle(), plain + " \u2014 a.xml *");

    // A load: the file's composition, not modified; undoing the load gives
    // back the composition before it, and its file and saved state.
    Renderable* squares = createLayer(1);
    writeFile(temp / "b.xml", scenefile::text(&squares, 1));
    delete squares;
    const std::string beforeLoad = text();
    ScriptedQuestion discard;
    discard.answer = UnsavedChangesQuestion::Answer::Discard, controls.history.closeQuestion = &discard;
    load("b.xml");
    EXPECT_FALSE(controls.history.isModified());
    EXPECT_EQ(controls.history.windowTitle(), plain + " \u2014 b.xml");
    controls.history.onUndo();
    EXPECT_EQ(info.get_text(), "Undid: Load b.xml");
    EXPECT_EQ(text(), beforeLoad);
    EXPECT_TRUE(controls.history.isModified());
    EXPECT_EQ(controls.history.windowTitle(), plain + " \u2014 a.xml *");
    controls.history.onRedo();
    EXPECT_EQ(controls.history.windowTitle(), plain + " \u2014 b.xml");
    controls.history.onUndo();

    // A load that fails changes nothing, and is no step.
    const std::size_t steps = controls.history.edits.undoCount() + controls.history.edits.redoCount();
    writeFile(temp / "bad.xml", "<notascene/>");
    load("bad.xml");
    EXPECT_EQ(text(), beforeLoad);
    EXPECT_EQ(controls.history.edits.undoCount() + controls.history.edits.redoCount(), steps);
    EXPECT_EQ(controls.history.windowTitle(), plain + " \u2014 a.xml *");
}

// --- Closing ---

TEST_F(HistoryTest, ClosingAsksOnlyWithUnsavedChangesAndCancelLosesNothing)
{
    ScriptedQuestion question;
    controls.history.closeQuestion = &question;
    EXPECT_TRUE(controls.history.confirmClose());
    EXPECT_EQ(question.asked, 0);

    drag(mousemodes::leftButton, 0, {{1, 1}});
    const std::string edited = text();
    question.answer = UnsavedChangesQuestion::Answer::Cancel;
    EXPECT_FALSE(controls.history.confirmClose());
    EXPECT_EQ(question.asked, 1);
    EXPECT_EQ(question.lastName, "");
    EXPECT_EQ(text(), edited);
    EXPECT_TRUE(controls.history.isModified());

    // Save, with the save dialog cancelled: stays open.
    question.answer = UnsavedChangesQuestion::Answer::Save;
    chooser.path.clear();
    EXPECT_FALSE(controls.history.confirmClose());
    // Save, and the write fails: stays open, and says why.
    chooser.path = temp / "missing/x.xml";
    EXPECT_FALSE(controls.history.confirmClose());
    EXPECT_NE(info.get_text().find("Could not save"), std::string::npos);
    // Save to a file: closes, and the file holds the composition.
    chooser.path = temp / "kept";
    EXPECT_TRUE(controls.history.confirmClose());
    EXPECT_EQ(readFile(temp / "kept.xml"), edited);
    EXPECT_FALSE(controls.history.isModified());

    controls.inverseCheckbox->toggle();
    question.answer = UnsavedChangesQuestion::Answer::Discard;
    EXPECT_TRUE(controls.history.confirmClose());
    EXPECT_EQ(question.lastName, "kept.xml");

    // Without a way to ask, unsaved changes keep the viewer open.
    controls.history.closeQuestion = nullptr;
    EXPECT_FALSE(controls.history.confirmClose());
}

TEST_F(HistoryTest, ClosingInTheMiddleOfADragCountsWhatItChanged)
{
    ScriptedQuestion question;
    controls.history.closeQuestion = &question;
    MouseMode before = mode;
    mousemodes::applyButton(mode, lastX, lastY, mousemodes::leftButton, mousemodes::buttonDown, 4, 4, 0);
    controls.history.dragModeChanged(before, mode);
    mousemodes::applyMotion(mode, lastX, lastY, 6, 4, controls);
    EXPECT_FALSE(controls.history.confirmClose());
    EXPECT_EQ(question.asked, 1);
}

} // namespace
