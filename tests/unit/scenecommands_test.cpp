// "Load from XML" and "Save to XML", with the file dialogs answered by the
// test: the suffix rule, and that neither command ever loses work.
#include "app/column/examplefiles.h"
#include "app/layercontrols.h"
#include "layers/layercompare.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "persistence/commands/filechooser.h"
#include "layers/texturebackend.h"
#include "persistence/scenefile.h"
#include "tests/support/scriptedchooser.h"
#include "tests/support/scriptedquestion.h"
#include "tests/support/testfiles.h"
#include "ui/controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

namespace {


using testfiles::exists;
using testfiles::readFile;
using testfiles::writeFile;

class SceneCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.ok());
        folder = temp.path();
        controls.build(&window);
        controls.setViewportSize(10, 8);
        controls.fileChooser = &chooser;
        controls.infoLine.setField(&info);
        controls.setBaseLayer(createLayer(2));   // Circles
        question.answer = UnsavedChangesQuestion::Answer::Discard;
        controls.history.closeQuestion = &question;
    }

    void save(const std::string& name)
    {
        chooser.path = name.empty() ? name : folder + "/" + name;
        controls.saveButton->click();
    }
    void load(const std::string& name)
    {
        chooser.path = name.empty() ? name : folder + "/" + name;
        controls.loadButton->click();
    }
    // Goes two levels down: a Noise input on "Spacing", a Squares input below it.
    void goDeep()
    {
        controls.variableList->choose(1);
        controls.layerTypeList->choose(0);
        controls.assignInputButton->click();
        controls.layerTypeList->choose(1);
        controls.assignInputButton->click();
    }

    testfiles::TempFolder temp;
    std::string folder;
    ui::ControlWindow window;
    ui::EditText info{"Info: ", -1, nullptr};
    ScriptedChooser chooser;
    ScriptedQuestion question;
    LayerControls controls;
};

TEST_F(SceneCommandsTest, SaveAppendsTheSuffixUnlessTheNameEndsInExactlyXml)
{
    const struct {
        const char* typed;
        const char* written;
    } cases[] = {
        {"scene", "scene.xml"},
        {"plain.xml", "plain.xml"},
        {"upper.XML", "upper.XML.xml"},
        {"backup.xml.bak", "backup.xml.bak.xml"},
        {"x", "x.xml"},
    };
    for (const auto& c : cases) {
        save(c.typed);
        EXPECT_TRUE(exists(folder + "/" + c.written)) << c.typed;
    }
    EXPECT_FALSE(exists(folder + "/upper.XML"));
    EXPECT_EQ(info.get_text(), "Saved " + folder + "/x.xml");
}

TEST_F(SceneCommandsTest, CancelledSaveWritesNothing)
{
    save("");
    EXPECT_EQ(chooser.asked, 1);
    EXPECT_EQ(info.get_text(), "");
    save("first");
    save("");   // the last outcome stays
    EXPECT_EQ(info.get_text(), "Saved " + folder + "/first.xml");
}

TEST_F(SceneCommandsTest, SaveLeavesTreeCurrentLayerAndPanelAsTheyWere)
{
    goDeep();
    Renderable* current = controls.currentLayer;
    controls.variableList->choose(0);
    const std::string valueBefore = controls.valueField->get_text();
    controls.takeRedrawRequest();

    save("deep");
    EXPECT_EQ(controls.currentLayer, current);
    EXPECT_EQ(controls.valueField->get_text(), valueBefore);
    EXPECT_TRUE(controls.goToParentButton->enabled());
    EXPECT_FALSE(controls.takeRedrawRequest());
    // The whole tree is saved from the base, wherever the current layer is.
    const std::string text = readFile(folder + "/deep.xml");
    EXPECT_NE(text.find("<Layer TypeID=\"2\""), std::string::npos);
    EXPECT_NE(text.find("<Layer TypeID=\"0\""), std::string::npos);
    EXPECT_NE(text.find("<Layer TypeID=\"1\""), std::string::npos);
}

TEST_F(SceneCommandsTest, LoadMakesTheLoadedBaseCurrentEvenFromDeepInATree)
{
    goDeep();
    save("deep.xml");
    controls.layerTypeList->choose(0);
    controls.changeBaseButton->click();   // something else entirely
    for (int i = 0; i < 3; ++i) controls.assignInputButton->click();
    controls.takeRedrawRequest();

    load("deep.xml");
    Renderable* base = controls.baseLayers[0];
    EXPECT_EQ(controls.currentLayer, base);
    EXPECT_EQ(base->typeId, 2);
    EXPECT_EQ(base->parent, nullptr);
    EXPECT_FALSE(controls.goToParentButton->enabled());
    EXPECT_EQ(controls.variableList->selectedText(), "Radius");
    EXPECT_TRUE(controls.takeRedrawRequest());
    ASSERT_NE(base->variables[1].getInputLayer(), nullptr);
    EXPECT_NE(base->variables[1].getInputLayer()->variables[0].getInputLayer(), nullptr);
}

TEST_F(SceneCommandsTest, FailedLoadsKeepTheCompositionAndSayWhy)
{
    goDeep();
    Renderable* base = controls.baseLayers[0];
    Renderable* current = controls.currentLayer;
    writeFile(folder + "/empty.xml", "<?xml version=\"1.0\" ?><Patternlens><Layers /></Patternlens>");
    writeFile(folder + "/foreign.xml", "<html><body/></html>");
    writeFile(folder + "/broken.xml", "<Patternlens><Layers><Layer");

    const char* files[] = {"missing.xml", "empty.xml", "foreign.xml", "broken.xml"};
    for (const char* name : files) {
        info.set_text("");
        controls.takeRedrawRequest();
        load(name);
        EXPECT_EQ(controls.baseLayers[0], base) << name;
        EXPECT_EQ(controls.currentLayer, current) << name;
        EXPECT_TRUE(controls.goToParentButton->enabled()) << name;
        EXPECT_FALSE(controls.takeRedrawRequest()) << name;
        const std::string prefix = "Could not load " + folder + "/" + name + ": ";
        EXPECT_EQ(info.get_text().rfind(prefix, 0), 0u) << info.get_text();
        EXPECT_GT(info.get_text().size(), prefix.size()) << "the reason is missing";
    }
    EXPECT_NE(info.get_text().find("not well-formed"), std::string::npos) << info.get_text();

    load("");   // a cancelled dialog changes nothing and keeps the last outcome
    EXPECT_EQ(controls.currentLayer, current);
    EXPECT_EQ(info.get_text().rfind("Could not load " + folder + "/broken.xml: ", 0), 0u) << info.get_text();
}

TEST_F(SceneCommandsTest, EachOutcomeReplacesTheLastOneAndADragOnlyCoversIt)
{
    goDeep();
    save("three.xml");
    EXPECT_EQ(info.get_text(), "Saved " + folder + "/three.xml");
    writeFile(folder + "/notes.txt", "Shopping: milk, eggs\n");
    load("notes.txt");
    EXPECT_EQ(info.get_text(), "Could not load " + folder + "/notes.txt: not a scene file");
    load("three.xml");   // a good load after a failed one: the error goes
    EXPECT_EQ(info.get_text(), "Loaded " + folder + "/three.xml (3 layers)");

    controls.infoLine.setDragText("Move mouse to pan the current layer");
    EXPECT_EQ(info.get_text(), "Move mouse to pan the current layer");
    controls.infoLine.setDragText("");
    EXPECT_EQ(info.get_text(), "Loaded " + folder + "/three.xml (3 layers)");

    controls.layerTypeList->choose(0);
    controls.changeBaseButton->click();
    save("one");
    load("one.xml");
    EXPECT_EQ(info.get_text(), "Loaded " + folder + "/one.xml (1 layer)");
}

TEST_F(SceneCommandsTest, FailedSaveKeepsTheOldFileAndSaysWhy)
{
    save("kept.xml");
    const std::string before = readFile(folder + "/kept.xml");
    mkdir((folder + "/folder.xml").c_str(), 0755);

    controls.adjustSelectedVariable(1.0f);
    save("no-such-folder/scene.xml");
    EXPECT_EQ(info.get_text(), "Could not save " + folder + "/no-such-folder/scene.xml: No such file or directory");
    save("folder.xml");   // a directory cannot be replaced by a scene file
    EXPECT_EQ(info.get_text().rfind("Could not save " + folder + "/folder.xml: ", 0), 0u) << info.get_text();
    EXPECT_EQ(readFile(folder + "/kept.xml"), before);

    if (geteuid() != 0) {   // root writes into read-only folders anyway
        chmod(folder.c_str(), 0555);
        save("kept.xml");
        chmod(folder.c_str(), 0755);
        EXPECT_EQ(info.get_text(), "Could not save " + folder + "/kept.xml: Permission denied");
        EXPECT_EQ(readFile(folder + "/kept.xml"), before);
    }
}

TEST_F(SceneCommandsTest, CtrlSWritesTheScenesFileAndSaveAsksWithItFilledIn)
{
    chooser.path = folder + "/s.xml";
    controls.saveScene(/*ask=*/false);   // no file yet: asks
    goDeep();
    controls.saveScene(/*ask=*/false);
    EXPECT_EQ(chooser.asked, 1) << "Ctrl+S with a file asks nothing";
    EXPECT_EQ(countLayers(scenefile::read(folder + "/s.xml").baseLayer.get()), 3);
    controls.onSaveToXml();
    EXPECT_EQ(chooser.suggested, folder + "/s.xml");
}

TEST_F(SceneCommandsTest, ALoadNamesTheFirstStoredValueOutsideItsRangeAndCountsTheOthers)
{
    goDeep();   // Circles > Spacing: Noise > Cutoff: Squares
    save("r.xml");
    std::vector<std::string> said;
    for (const char* cutoff : {"123456789", "0.5"}) {
        std::string text = readFile(folder + "/r.xml");
        for (const auto& [name, value] : {std::pair<std::string, std::string>{"Cutoff", cutoff}, {"Width", "-7"}}) {
            const std::size_t at = text.find("OverrideValue=\"", text.find("name=\"" + name + "\"")) + 15;
            text.replace(at, text.find('"', at) - at, value);
        }
        writeFile(folder + "/r.xml", text);
        load("r.xml");
        said.push_back(info.get_text().substr(info.get_text().find("(3 layers)")));
    }
    // In tree order: Noise's Cutoff, then the Squares' Width below it.
    EXPECT_EQ(said[0], "(3 layers); Spacing/Cutoff is 1.23457e+08, outside its range -1 to 1 (and 1 other)");
    EXPECT_EQ(said[1], "(3 layers); Spacing/Cutoff/Width is -7, outside its range 0.001 to 5");
    EXPECT_EQ(controls.baseLayers[0]->variables[1].getInputLayer()->variables[0].getValue(), 0.5f);
}

// A scene of the examples folder is the program's: opened by the load
// dialog or the command line, by any spelling of its path, it is untitled,
// so Ctrl+S asks where. A copy elsewhere is the user's.
TEST_F(SceneCommandsTest, ExamplesOpenUntitledHoweverTheyAreReached)
{
    const std::string examples = examplefiles::directory();
    ASSERT_EQ(symlink(examples.c_str(), (folder + "/linked").c_str()), 0);
    for (const examplefiles::Example& example : examplefiles::list(examples)) {
        const std::string name = example.path.substr(examples.size());
        for (const std::string& spelt : {example.path, examples + "/../examples/." + name, folder + "/linked" + name}) {
            chooser.path = spelt;
            if (spelt == example.path) controls.loadButton->click();
            else controls.openSceneFile(spelt, /*asUndoStep=*/false);
            ASSERT_EQ(controls.history.scenePath(), "") << spelt;   // else Ctrl+S would write into the tree
            chooser.path.clear();
            EXPECT_FALSE(controls.saveScene(/*ask=*/false)) << "Ctrl+S asks, and the dialog is cancelled";
        }
    }
    writeFile(folder + "/copy.xml", readFile(examples + "/bubbles.xml"));
    controls.openSceneFile(folder + "/copy.xml", /*asUndoStep=*/false);
    EXPECT_EQ(controls.history.scenePath(), folder + "/copy.xml");
}

// A save records the drawing area the views were made in only when it is
// not the start-up one, so such files keep their bytes; the reader takes it
// back, and one it cannot read is the start-up one, with a note.
TEST_F(SceneCommandsTest, ASaveRecordsADrawingAreaOtherThanTheStartUpOne)
{
    struct Shown : TextureBackend {
        unsigned createTexture() override { return 1; }
        void uploadTexture(unsigned, int, int, const std::uint8_t*) override {}
        void drawTexture(unsigned, float) override {}
        void drawTextureTiles(unsigned, float, float, float, int) override {}
        void deleteTexture(unsigned) override {}
    } shown;
    save("headless.xml");   // no picture shown: no drawing area
    EXPECT_EQ(readFile(folder + "/headless.xml"), scenefile::text(controls.baseLayers, 1));
    controls.textureBackend = &shown;
    save("small.xml");
    const std::string small = readFile(folder + "/small.xml");
    EXPECT_NE(small.find("<Patternlens drawingArea=\"10x8\">"), std::string::npos) << small;
    EXPECT_EQ(scenefile::read(folder + "/small.xml").settings.drawingArea, (drawingarea::Size{10, 8}));
    controls.setViewportSize(400, 470);
    save("start.xml");
    EXPECT_EQ(readFile(folder + "/start.xml"), scenefile::text(controls.baseLayers, 1));
    for (const char* odd : {"10", "0x8", "-4x5", "10x8x2", "x"}) {
        std::string text = small;
        text.replace(text.find("10x8"), 4, odd);
        const scenefile::ReadResult read = scenefile::parse(text);
        EXPECT_EQ(read.settings.drawingArea, drawingarea::Size()) << odd;
        EXPECT_NE(read.warning.find("its drawing area \"" + std::string(odd) + "\" reads as 400x470"), std::string::npos)
            << read.warning;
    }
    controls.textureBackend = nullptr;
}

} // namespace
