// The info line: which text has the line, how a long one is shortened, and
// how counts read in its messages.
#include "app/infoline.h"
#include "app/layercontrols.h"
#include "app/mousemodes.h"
#include "persistence/counttext.h"
#include "ui/controls.h"
#include "ui/middleellipsis.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

TEST(InfoLineTest, DragBeatsPointerBeatsOutcomeAndEachOnlyCoversTheOnesBelow)
{
    InfoLine line;
    EXPECT_EQ(line.text(), "");
    line.setOutcome("Saved a.xml");
    EXPECT_EQ(line.text(), "Saved a.xml");
    line.setHoverText("x 1.5 y 2");
    EXPECT_EQ(line.text(), "x 1.5 y 2");
    line.setDragText("Move mouse to pan the current layer");
    EXPECT_EQ(line.text(), "Move mouse to pan the current layer");
    line.setOutcome("Saved b.xml");   // a command during a drag: the drag keeps the line
    EXPECT_EQ(line.text(), "Move mouse to pan the current layer");
    line.setDragText("");
    EXPECT_EQ(line.text(), "x 1.5 y 2");
    line.setHoverText("");
    EXPECT_EQ(line.text(), "Saved b.xml");
    EXPECT_EQ(line.outcome(), "Saved b.xml");
}

// The buttons as the window hands them on: a drag shows its text while it
// lasts, and no button (the wheel, the middle one) wipes an outcome away.
TEST(InfoLineTest, MouseButtonsNeverEraseTheLastOutcome)
{
    LayerControls controls;
    ui::EditText field("Info: ", -1, nullptr);
    controls.infoLine.setField(&field);
    controls.infoLine.report("Could not load a.xml: not a scene file");
    MouseMode mode = MouseMode::None;
    int lastX = 0, lastY = 0;
    const auto press = [&](int button, int modifiers) {
        controls.infoLine.setDragText(mousemodes::applyButton(mode, lastX, lastY, button, mousemodes::buttonDown, 5, 5, modifiers));
    };
    const auto release = [&](int button) {
        controls.infoLine.setDragText(mousemodes::applyButton(mode, lastX, lastY, button, mousemodes::buttonUp, 5, 5, 0));
    };
    for (int button : {1, 3, 4, 5}) {
        press(button, 0);
        EXPECT_EQ(field.get_text(), "Could not load a.xml: not a scene file") << "button " << button;
        release(button);
        EXPECT_EQ(field.get_text(), "Could not load a.xml: not a scene file") << "button " << button;
    }
    press(mousemodes::leftButton, mousemodes::shiftBit);
    EXPECT_EQ(field.get_text(), mousemodes::adjustText);
    release(mousemodes::leftButton);
    EXPECT_EQ(field.get_text(), "Could not load a.xml: not a scene file");
}

TEST(InfoLineTest, TheInfoFieldIsReadOnly)
{
    ui::EditText field("Info: ", -1, nullptr);
    field.set_read_only(true);
    field.set_text("Saved a.xml");
    field.type("typed");
    EXPECT_EQ(field.get_text(), "Saved a.xml");
}

// Every character 7 wide, as in the viewer's font; "..." is then 21.
float fixedWidth(const std::string& text)
{
    int characters = 0;
    for (unsigned char c : text) characters += (c & 0xC0) != 0x80;
    return 7.0f * static_cast<float>(characters);
}

TEST(MiddleEllipsisTest, ShortTextsStayAsTheyAre)
{
    EXPECT_EQ(ui::shortenInMiddle("Saved a.xml", 77.0f, fixedWidth), "Saved a.xml");
    EXPECT_EQ(ui::shortenInMiddle("", 0.0f, fixedWidth), "");
    EXPECT_EQ(ui::shortenInMiddle("abcdefghij", 63.0f, fixedWidth), "abc...hij");
    EXPECT_EQ(ui::shortenInMiddle("abcdefghij", 56.0f, fixedWidth), "abc...ij");
    EXPECT_EQ(ui::shortenInMiddle("abcdefghij", 10.0f, fixedWidth), "...");
}

// For any text and width: the result fits, is a start and an end of the
// text around "...", the start at most one character longer than the end,
// cut between UTF-8 characters, and one more character would not fit.
TEST(MiddleEllipsisTest, TheLongestStartAndEndThatFitStay)
{
    std::mt19937 rng(11);
    const std::string pieces[] = {"a", "Z", "/", " ", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"};
    for (int round = 0; round < 500; ++round) {
        std::string text;
        const int length = std::uniform_int_distribution<int>(0, 80)(rng);
        for (int i = 0; i < length; ++i) text += pieces[std::uniform_int_distribution<int>(0, 6)(rng)];
        const float width = static_cast<float>(std::uniform_int_distribution<int>(21, 600)(rng));
        const std::string shown = ui::shortenInMiddle(text, width, fixedWidth);
        if (fixedWidth(text) <= width) {
            EXPECT_EQ(shown, text);
            continue;
        }
        ASSERT_LE(fixedWidth(shown), width) << shown;
        const std::size_t dots = shown.find("...");
        ASSERT_NE(dots, std::string::npos) << shown;
        const std::string head = shown.substr(0, dots), tail = shown.substr(dots + 3);
        EXPECT_EQ(text.compare(0, head.size(), head), 0) << shown;
        EXPECT_EQ(text.compare(text.size() - tail.size(), tail.size(), tail), 0) << shown;
        const int headChars = static_cast<int>(fixedWidth(head) / 7), tailChars = static_cast<int>(fixedWidth(tail) / 7);
        EXPECT_TRUE(headChars == tailChars || headChars == tailChars + 1) << shown;
        EXPECT_GT(fixedWidth(shown) + 7.0f, width) << "room for one more character: " << shown;
        // A whole number of characters on each side: no stray continuation byte.
        if (!tail.empty()) {
            EXPECT_NE(static_cast<unsigned char>(tail[0]) & 0xC0, 0x80u) << shown;
        }
        if (!head.empty()) {
            std::size_t start = head.size() - 1;
            while (start > 0 && (static_cast<unsigned char>(head[start]) & 0xC0) == 0x80) --start;
            const unsigned char lead = static_cast<unsigned char>(head[start]);
            const std::size_t need = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            EXPECT_EQ(head.size() - start, need) << shown;
        }
    }
}

TEST(CountTextTest, DigitsGoInThreesAndTheNounAgrees)
{
    EXPECT_EQ(counttext::grouped(0), "0");
    EXPECT_EQ(counttext::grouped(999), "999");
    EXPECT_EQ(counttext::grouped(1000), "1,000");
    EXPECT_EQ(counttext::grouped(1332), "1,332");
    EXPECT_EQ(counttext::grouped(1234567), "1,234,567");
    EXPECT_EQ(counttext::grouped(-1400), "-1,400");
    EXPECT_EQ(counttext::layers(1), "1 layer");
    EXPECT_EQ(counttext::layers(0), "0 layers");
    EXPECT_EQ(counttext::layers(1000), "1,000 layers");
}

} // namespace
