// Copy, cut and paste of layers as scene text, with a clipboard held by the
// test: what is copied renders as the layer, what is pasted is exactly the
// copied subtree, and nothing refused changes anything.
#include "app/clipboard.h"
#include "app/clipboardtext.h"
#include "app/layercontrols.h"
#include "layers/layercompare.h"
#include "layers/renderable.h"
#include "layers/rowloop.h"
#include "persistence/scenefile.h"
#include "tests/support/scriptedquestion.h"
#include "ui/controls.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct HeldClipboard : Clipboard {
    std::string text;
    bool empty = false;
    void offer(const std::string& t) override { text = t, empty = false; }
    bool fetch(std::string* t, std::string* error) override
    {
        *(empty ? error : t) = empty ? "the clipboard is empty" : text;
        return !empty;
    }
};

std::vector<std::uint8_t> pixels(const Renderable& layer)
{
    std::vector<std::uint8_t> out(static_cast<std::size_t>(layer.textureWidth) * layer.textureHeight);
    rowloop::GreyBytes sink(out.data(), static_cast<std::size_t>(layer.textureWidth));
    rowloop::evaluate(layer, rowloop::wholeTexture(layer), sink, rowloop::Options());
    return out;
}

// A chain of Noise layers, each driving the Cutoff of the one above.
std::string chain(int layers)
{
    std::string s;
    for (int i = 0; i < layers; ++i)
        s = "<Layer TypeID=\"0\" x=\"0\" y=\"0\" zoomx=\"9\" zoomy=\"9\" inverse=\"0\"><Variables><Variable name=\"Cutoff\" "
            "MaxValue=\"1\" MinValue=\"-1\" OverrideValue=\"0.2\">" + s + "</Variable></Variables></Layer>";
    return "<?xml version=\"1.0\" ?><Patternlens><Layers>" + s + "</Layers></Patternlens>";
}

class ClipboardCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        controls.build(&window);
        controls.setViewportSize(24, 16);
        controls.infoLine.setField(&info);
        controls.clipboardCommands.clipboard = &clipboard;
        controls.history.closeQuestion = &question;
        ASSERT_TRUE(controls.openSceneFile(PATTERNLENS_SOURCE_DIR "/examples/deep-weave.xml", /*asUndoStep=*/false));
    }
    std::string shown() { return scenefile::text(controls.baseLayers, 1, controls.sceneSettings); }

    ui::ControlWindow window;
    ui::EditText info{"Info: ", -1, nullptr};
    HeldClipboard clipboard;
    ScriptedQuestion question;
    LayerControls controls;
};

TEST_F(ClipboardCommandsTest, CopyGivesTheSubtreeAsSceneTextAndPasteAttachesExactlyIt)
{
    // The base's Mix input, one level down: its own text, rendering as it does.
    controls.variableList->choose(2);
    controls.onEditInputLayer();
    Renderable* const copied = controls.currentLayer;
    controls.clipboardCommands.onCopy();
    EXPECT_EQ(clipboard.text, scenefile::text(&copied, 1, controls.sceneSettings));
    scenefile::ReadResult read = scenefile::parse(clipboard.text);
    ASSERT_TRUE(read.baseLayer);
    EXPECT_EQ(pixels(*read.baseLayer), pixels(*copied));

    // Pasted as the base's A: exactly that subtree, with its own views; the
    // current layer stays; undo gives the bytes back.
    controls.onGoToParent();
    const std::string before = shown();
    controls.variableList->choose(0);
    controls.clipboardCommands.onPaste();
    Renderable* const base = controls.baseLayer();
    EXPECT_EQ(controls.currentLayer, base);
    ASSERT_TRUE(base->variables[0].getInputLayer());
    EXPECT_TRUE(sameLayerTree(base->variables[0].getInputLayer(), read.baseLayer.get()));
    EXPECT_EQ(pixels(*base->variables[0].getInputLayer()), pixels(*read.baseLayer));
    EXPECT_NE(shown(), before);
    controls.history.onUndo();
    EXPECT_EQ(shown(), before);
}

TEST_F(ClipboardCommandsTest, RefusedPastesChangeNothingAndSayWhy)
{
    const std::string before = shown();
    const struct {
        std::string text;
        const char* reason;
    } cases[] = {
        {"just words", "not a scene file"},
        {"<Patternlens><Layers></Layers></Patternlens>", "the file holds no layer"},
        {"<a>", "not well-formed XML"},
        {chain(1400), "nested 1,400 layers deep"},
    };
    for (const auto& c : cases) {
        clipboard.text = c.text;
        controls.clipboardCommands.onPaste();
        controls.clipboardCommands.onPasteComposition();
        EXPECT_EQ(shown(), before) << c.reason;
        EXPECT_NE(info.get_text().find(c.reason), std::string::npos) << info.get_text();
    }
    clipboard.empty = true;
    controls.clipboardCommands.onPaste();
    EXPECT_EQ(info.get_text(), "Could not paste: the clipboard is empty");
    EXPECT_EQ(question.asked, 0);
    EXPECT_FALSE(controls.history.edits.canUndo());

    // A chain the reader takes, pasted where its result would be deeper than
    // the reader takes: refused in the same words.
    clipboard.empty = false;
    clipboard.text = chain(1000);
    question.answer = UnsavedChangesQuestion::Answer::Discard;
    controls.clipboardCommands.onPasteComposition();
    for (int i = 0; i < 999; ++i) controls.onEditInputLayer();
    const std::string deep = shown();
    clipboard.text = chain(400);
    controls.clipboardCommands.onPaste();
    EXPECT_EQ(shown(), deep);
    EXPECT_NE(info.get_text().find("layers deep; the limit is 1,332"), std::string::npos) << info.get_text();
}

// A paste names what its layers store outside their ranges once, by their
// paths in the composition, as a load does; the layers already there not.
TEST_F(ClipboardCommandsTest, PastesNameStoredValuesOutsideTheirRangesOnce)
{
    std::string text = chain(2);
    text.replace(text.find("0.2"), 3, "5");
    clipboard.text = text.replace(text.find("0.2"), 3, "-3");
    const std::string outside = "Cutoff is 5, outside its range -1 to 1 (and 1 other)";
    controls.variableList->choose(2);
    for (int paste = 0; paste < 2; ++paste) {   // the second in place of the first
        controls.clipboardCommands.onPaste();
        EXPECT_EQ(info.get_text(), "Pasted Noise (2 layers) as the input of Mix; Mix/" + outside);
    }
    question.answer = UnsavedChangesQuestion::Answer::Discard;
    controls.clipboardCommands.onPasteComposition();
    EXPECT_EQ(info.get_text(), "Pasted a scene (2 layers) as the whole composition; " + outside);
}

TEST_F(ClipboardCommandsTest, CutRemovesAnInputInOneStepAndPasteCompositionReplacesAfterAsking)
{
    controls.clipboardCommands.onCut();   // on the base layer: only a copy
    EXPECT_FALSE(controls.history.edits.canUndo());
    const std::string whole = clipboard.text;
    EXPECT_EQ(whole, shown());

    controls.variableList->choose(2);
    controls.onEditInputLayer();
    controls.clipboardCommands.onCut();
    EXPECT_EQ(controls.currentLayer, controls.baseLayer());
    EXPECT_EQ(controls.baseLayer()->variables[2].getInputLayer(), nullptr);
    EXPECT_EQ(controls.variableList->get_int_val(), 2);
    controls.clipboardCommands.onPaste();   // and back where it was
    EXPECT_EQ(shown(), whole);

    // Unsaved changes: asked first; Cancel keeps everything.
    clipboard.text = chain(3);
    question.answer = UnsavedChangesQuestion::Answer::Cancel;
    controls.clipboardCommands.onPasteComposition();
    EXPECT_EQ(shown(), whole);
    EXPECT_EQ(question.asked, 1);
    question.answer = UnsavedChangesQuestion::Answer::Discard;
    controls.clipboardCommands.onPasteComposition();
    EXPECT_EQ(countLayers(controls.baseLayer()), 3);
    EXPECT_TRUE(controls.history.scenePath().empty());   // untitled: Save asks where
    controls.history.onUndo();
    EXPECT_EQ(shown(), whole);
}

// --- The X clipboard's text and times ---

std::string utf8(unsigned code)   // the encoding, for the model below
{
    if (code < 0x80) return std::string(1, static_cast<char>(code));
    const int n = code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    std::string out(1, static_cast<char>((0xF00u >> n) | (code >> (6 * (n - 1)))));
    for (int k = n - 2; k >= 0; --k) out += static_cast<char>(0x80 | ((code >> (6 * k)) & 0x3F));
    return out;
}

// Latin-1 goes to UTF-8 and back unchanged. Random characters with
// ill-formed pieces between them (a stray continuation byte, an overlong
// form, a surrogate, a sequence cut short): a character of Latin-1 becomes
// its byte, any other a '?', and so does each ill-formed byte. Server
// times, 32 bits of milliseconds, compare across the wrap.
TEST(ClipboardText, Latin1BothWaysIllFormedUtf8AndServerTimes)
{
    const char* const bad[] = {"\x80", "\xBF", "\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xED\xA0\x80",
                               "\xF5\x80", "\xFF", "\xC3", "\xE2\x82", "\xF0\x9F\x98"};
    const unsigned limits[] = {0x80, 0x100, 0x800, 0x10000, 0x110000};
    std::mt19937 random(18);
    for (int round = 0; round < 3000; ++round) {
        std::string latin1, text, expected;
        for (int n = static_cast<int>(random() % 12); n > 0; --n) {
            latin1 += static_cast<char>(random() % 256);
            const unsigned code = static_cast<unsigned>(random() % limits[random() % 5]);
            if (code >= 0xD800 && code < 0xE000) continue;
            text += utf8(code);
            expected += code < 0x100 ? static_cast<char>(code) : '?';
            if (random() % 3 > 0) continue;
            const std::string piece = bad[random() % (sizeof bad / sizeof *bad)];
            text += piece;
            expected += std::string(piece.size(), '?');
        }
        ASSERT_EQ(clipboardtext::latin1FromUtf8(clipboardtext::utf8FromLatin1(latin1)), latin1);
        ASSERT_EQ(clipboardtext::latin1FromUtf8(text), expected) << ::testing::PrintToString(text);
        const std::uint32_t since = static_cast<std::uint32_t>(random()), ahead = static_cast<std::uint32_t>(random()) >> 1;
        ASSERT_TRUE(clipboardtext::notBefore(since + ahead, since));
        ASSERT_EQ(clipboardtext::notBefore(since - ahead, since), ahead == 0);
    }
}

} // namespace
