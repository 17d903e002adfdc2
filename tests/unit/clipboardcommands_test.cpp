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
// paths in the composition, as a load does; the layers already there are
// not named again.
TEST_F(ClipboardCommandsTest, PastesNameStoredValuesOutsideTheirRangesOnce)
{
    std::string text = chain(2);
    text.replace(text.find("0.2"), 3, "5");
    text.replace(text.find("0.2"), 3, "-3");
    clipboard.text = text;
    controls.variableList->choose(2);
    controls.clipboardCommands.onPaste();
    EXPECT_EQ(info.get_text(), "Pasted Noise (2 layers) as the input of Mix; Mix/Cutoff is 5, outside its range -1 "
                               "to 1 (and 1 other)");
    controls.clipboardCommands.onPaste();   // in place of the first: only this one's
    EXPECT_EQ(info.get_text(), "Pasted Noise (2 layers) as the input of Mix; Mix/Cutoff is 5, outside its range -1 "
                               "to 1 (and 1 other)");
    question.answer = UnsavedChangesQuestion::Answer::Discard;
    controls.clipboardCommands.onPasteComposition();
    EXPECT_EQ(info.get_text(), "Pasted a scene (2 layers) as the whole composition; Cutoff is 5, outside its range "
                               "-1 to 1 (and 1 other)");
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

std::string utf8(unsigned code)
{
    std::string out;
    if (code < 0x80) return out += static_cast<char>(code), out;
    const int length = code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    out += static_cast<char>((0xF00u >> length) | (code >> (6 * (length - 1))));
    for (int k = length - 2; k >= 0; --k) out += static_cast<char>(0x80 | ((code >> (6 * k)) & 0x3F));
    return out;
}

// Latin-1 text goes to UTF-8 and back unchanged. UTF-8 with ill-formed
// bytes among its characters, against a model built with it: a character
// of Latin-1 becomes its byte, any other a '?', and so does every byte of
// an ill-formed piece (a stray continuation byte, a sequence cut short, an
// overlong form, a surrogate), while the characters around it stay.
TEST(ClipboardText, Latin1RoundTripsAndIllFormedUtf8BecomesQuestionMarks)
{
    std::mt19937 random(18);
    for (int round = 0; round < 2000; ++round) {
        std::string latin1;
        for (int n = static_cast<int>(random() % 20); n > 0; --n) latin1 += static_cast<char>(random() % 256);
        ASSERT_EQ(clipboardtext::latin1FromUtf8(clipboardtext::utf8FromLatin1(latin1)), latin1);

        std::string text, expected;
        bool cut = false;   // the last piece is a sequence cut short
        for (int n = static_cast<int>(random() % 12); n > 0; --n) {
            const unsigned limits[] = {0x80, 0x100, 0x800, 0x10000, 0x110000};
            const unsigned kind = static_cast<unsigned>(random() % 9);
            if (kind < 5) {   // a character
                unsigned code = static_cast<unsigned>(random() % limits[kind]);
                if (code >= 0xD800 && code < 0xE000) code -= 0x800;   // no surrogates
                text += utf8(code);
                expected += code < 0x100 ? static_cast<char>(code) : '?';
                cut = false;
                continue;
            }
            if (kind == 5 && cut) continue;   // a stray byte would complete the cut sequence
            std::string bad;
            if (kind == 5) bad = std::string(1, static_cast<char>(0x80 + random() % 0x40));
            else if (kind == 6) bad = std::string(1, "\xC0\xC1\xF5\xF8\xFF"[random() % 5]) + "\xAF";
            else if (kind == 7) bad = utf8(0xD800 + static_cast<unsigned>(random() % 0x800));
            else {
                const std::string whole = utf8(0x80 + static_cast<unsigned>(random() % 0x10FF80));
                if (whole.size() < 2 || (whole[0] == '\xED' && static_cast<unsigned char>(whole[1]) >= 0xA0)) continue;
                bad = whole.substr(0, 1 + random() % (whole.size() - 1));
            }
            text += bad;
            expected += std::string(bad.size(), '?');
            cut = kind == 8;
        }
        ASSERT_EQ(clipboardtext::latin1FromUtf8(text), expected) << ::testing::PrintToString(text);
    }
    EXPECT_EQ(clipboardtext::latin1FromUtf8("\xC3" "A"), "?A");   // no longer read as "Á"
}

// The server's times wrap around every 2^32 ms: the later of two is the
// one less than half the range ahead.
TEST(ClipboardText, ServerTimesCompareAcrossTheWrap)
{
    std::mt19937 random(32);
    for (int round = 0; round < 10000; ++round) {
        const std::uint32_t since = static_cast<std::uint32_t>(random());
        const std::uint32_t ahead = static_cast<std::uint32_t>(random()) % 0x80000000u;
        EXPECT_TRUE(clipboardtext::notBefore(since + ahead, since));
        EXPECT_EQ(clipboardtext::notBefore(since - ahead, since), ahead == 0);
    }
    EXPECT_TRUE(clipboardtext::notBefore(5, 0xFFFFFFF0u));
    EXPECT_FALSE(clipboardtext::notBefore(0xFFFFFFF0u, 5));
}

} // namespace
