// The viewer's window-free logic: drag modes and info texts for mouse
// buttons, what pointer moves do to the current layer, and how the window is
// split into control strips and drawing area.
#include "app/layercontrols.h"
#include "app/mousemodes.h"
#include "ui/controls.h"
#include "ui/windowareas.h"

#include "testlayers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using namespace mousemodes;

constexpr int up = buttonUp;
constexpr int down = buttonDown;
constexpr int noMods = 0;

struct Drag {
    MouseMode mode = MouseMode::None;
    int lastX = 0;
    int lastY = 0;

    std::string button(int b, int state, int x, int y, int modifiers = noMods)
    {
        return applyButton(mode, lastX, lastY, b, state, x, y, modifiers);
    }
};

// --- Buttons ---

TEST(MouseButtons, LeftPressChoosesTheModeByModifiers)
{
    struct Case {
        int modifiers;
        MouseMode mode;
        const char* text;
    } cases[] = {
        {noMods, MouseMode::Pan, "Move mouse to pan the current layer"},
        {shiftBit, MouseMode::Adjust, "Move mouse to adjust parameter of the current layer"},
        {ctrlBit, MouseMode::Zoom, "Move mouse to change zoom level of the current layer"},
        {shiftBit | ctrlBit, MouseMode::Adjust, "Move mouse to adjust parameter of the current layer"},
        {altBit, MouseMode::Pan, "Move mouse to pan the current layer"},   // Alt is ignored
        {ctrlBit | altBit, MouseMode::Zoom, "Move mouse to change zoom level of the current layer"},
    };
    for (const Case& c : cases) {
        Drag drag;
        EXPECT_EQ(drag.button(leftButton, down, 5, 6, c.modifiers), c.text) << "modifiers " << c.modifiers;
        EXPECT_EQ(drag.mode, c.mode) << "modifiers " << c.modifiers;
    }
}

TEST(MouseButtons, RightPressZoomsWhateverModifiersAreHeld)
{
    for (int modifiers = 0; modifiers <= (shiftBit | ctrlBit | altBit); ++modifiers) {
        Drag drag;
        drag.mode = MouseMode::Adjust;
        EXPECT_EQ(drag.button(rightButton, down, 1, 2, modifiers), "Move mouse to change zoom level of the current layer");
        EXPECT_EQ(drag.mode, MouseMode::Zoom) << "modifiers " << modifiers;
    }
}

TEST(MouseButtons, APressRecordsThePositionForEveryButton)
{
    for (int b : {leftButton, middleButton, rightButton, 3, 4, 7}) {
        Drag drag;
        drag.button(b, down, 123, 45);
        EXPECT_EQ(drag.lastX, 123) << "button " << b;
        EXPECT_EQ(drag.lastY, 45) << "button " << b;
    }
}

TEST(MouseButtons, OtherButtonsKeepTheModeAndClearTheText)
{
    for (int b : {middleButton, 3, 4, 7}) {
        Drag drag;
        drag.button(leftButton, down, 0, 0, ctrlBit);
        EXPECT_EQ(drag.button(b, down, 9, 9, shiftBit), "") << "button " << b;
        EXPECT_EQ(drag.mode, MouseMode::Zoom) << "button " << b;
    }
    Drag idle;
    idle.button(middleButton, down, 1, 1);
    EXPECT_EQ(idle.mode, MouseMode::None);
}

TEST(MouseButtons, AnyReleaseEndsTheDragAndClearsTheText)
{
    for (int b : {leftButton, middleButton, rightButton, 4}) {
        Drag drag;
        drag.button(leftButton, down, 10, 20, shiftBit);
        EXPECT_EQ(drag.button(b, up, 300, 400, shiftBit), "") << "button " << b;
        EXPECT_EQ(drag.mode, MouseMode::None) << "button " << b;
        // A release is not a press: the last position stays.
        EXPECT_EQ(drag.lastX, 10);
        EXPECT_EQ(drag.lastY, 20);
    }
}

TEST(MouseButtons, AdjustDeltaIsAHundredthPerPixelNarrowedFromDouble)
{
    EXPECT_EQ(adjustDelta(1), static_cast<float>(0.01));
    EXPECT_EQ(adjustDelta(-3), static_cast<float>(-0.03));
    EXPECT_EQ(adjustDelta(250), 2.5f);
    EXPECT_EQ(adjustDelta(0), 0.0f);
}

// --- Motion on a controller with a real layer ---

class MouseMotion : public ::testing::Test {
protected:
    static constexpr int width = 40;
    static constexpr int height = 50;

    void SetUp() override
    {
        controls.setViewportSize(width, height);
        controls.build(&window);
        controls.setBaseLayer(ProbeLayer::make(2));
        layer = controls.currentLayer;
        controls.takeRedrawRequest();
    }

    void move(int x, int y) { applyMotion(drag.mode, drag.lastX, drag.lastY, x, y, controls); }

    ui::ControlWindow window;
    LayerControls controls;
    Renderable* layer = nullptr;
    Drag drag;
};

TEST_F(MouseMotion, WithoutADragNothingMovesAndThePositionStays)
{
    drag.lastX = 7;
    drag.lastY = 8;
    move(30, 40);
    EXPECT_EQ(drag.lastX, 7);
    EXPECT_EQ(drag.lastY, 8);
    EXPECT_EQ(layer->x, 0.0f);
    EXPECT_EQ(layer->y, 0.0f);
    EXPECT_FALSE(controls.takeRedrawRequest());
}

TEST_F(MouseMotion, TheFirstMoveMeasuresFromThePress)
{
    drag.lastX = drag.lastY = 999;   // left over from an earlier drag
    drag.button(leftButton, down, 20, 20);
    move(16, 25);   // 4 px left, 5 px down
    // Moving left shows what lies to the left: the centre moves right by
    // 4 pixels of 20/40 units; moving down moves the centre up (smaller y).
    EXPECT_FLOAT_EQ(layer->x, 4 * 20.0f / width);
    EXPECT_FLOAT_EQ(layer->y, -5 * 20.0f / height);
    EXPECT_EQ(drag.lastX, 16);
    EXPECT_EQ(drag.lastY, 25);
    EXPECT_TRUE(controls.takeRedrawRequest());
}

TEST_F(MouseMotion, ManyMovesRequestOneRedraw)
{
    drag.button(leftButton, down, 0, 0);
    for (int i = 1; i <= 5; ++i) move(i, i);
    EXPECT_TRUE(controls.takeRedrawRequest());
    EXPECT_FALSE(controls.takeRedrawRequest());
}

TEST_F(MouseMotion, AfterTheReleaseMovesDoNothing)
{
    drag.button(leftButton, down, 0, 0);
    drag.button(middleButton, up, 0, 0);   // not the button that started it
    move(10, 10);
    EXPECT_EQ(layer->x, 0.0f);
    EXPECT_FALSE(controls.takeRedrawRequest());
}

TEST_F(MouseMotion, ZoomStepsCompound)
{
    drag.button(rightButton, down, 10, 10);
    move(10, 20);   // a fifth of the height down: extent times 0.8
    EXPECT_FLOAT_EQ(layer->zoomy, 16.0f);
    move(33, 30);   // horizontal movement plays no part
    EXPECT_FLOAT_EQ(layer->zoomy, 12.8f);
    EXPECT_FLOAT_EQ(layer->zoomx, 12.8f);
    move(33, 5);    // half the height up: times 1.5
    EXPECT_FLOAT_EQ(layer->zoomy, 19.2f);
}

TEST_F(MouseMotion, ZoomOverTheFullHeightReachesTheSmallestExtent)
{
    drag.button(leftButton, down, 0, 0, ctrlBit);
    move(0, height);
    EXPECT_FLOAT_EQ(layer->zoomx, 0.1f);
    EXPECT_FLOAT_EQ(layer->zoomy, 0.1f);
}

TEST_F(MouseMotion, AdjustAddsOneForAHundredPixelsDown)
{
    layer->setVariable(0, -0.5f);
    drag.button(leftButton, down, 50, 0, shiftBit | ctrlBit);
    for (int y = 10; y <= 100; y += 10) move(50, y);
    EXPECT_NEAR(layer->variables[0].getValue(), 0.5f, 1e-5f);
    // The read-out follows every step.
    EXPECT_EQ(controls.valueField->get_text().substr(0, 3), "0.5");
    for (int y = 90; y >= 0; y -= 10) move(50, y);
    EXPECT_NEAR(layer->variables[0].getValue(), -0.5f, 1e-5f);
}

TEST_F(MouseMotion, AdjustActsOnTheSelectedVariableWithinItsBounds)
{
    controls.variableList->choose(1);
    drag.button(leftButton, down, 0, 0, shiftBit);
    move(0, 80);   // 0.5 + 0.8 stops at the maximum 1
    EXPECT_EQ(layer->variables[1].getValue(), 1.0f);
    EXPECT_EQ(layer->variables[0].getValue(), 0.5f);
    EXPECT_EQ(controls.valueField->get_text(), "1");
    move(0, -1000);   // -10 stops at the minimum -1
    EXPECT_EQ(layer->variables[1].getValue(), -1.0f);
}

// --- Window areas ---

ui::WindowAreas viewerAreas()
{
    ui::WindowAreas areas;
    areas.rightWidth = 200;
    areas.bottomHeight = 30;
    return areas;
}

void expectRect(const ui::Rect& r, int x, int y, int w, int h)
{
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.w, w);
    EXPECT_EQ(r.h, h);
}

TEST(WindowAreas, StartUpWindowLeavesA400By470DrawingArea)
{
    const ui::WindowAreas areas = viewerAreas();
    expectRect(areas.rightStrip(600, 500), 400, 0, 200, 500);
    expectRect(areas.bottomStrip(600, 500), 0, 470, 400, 30);
    expectRect(areas.drawingArea(600, 500), 0, 0, 400, 470);
    int x, y, w, h;
    areas.viewportArea(600, 500, &x, &y, &w, &h);
    // GL counts from the bottom: the info line lies below the drawing area.
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 30);
    EXPECT_EQ(w, 400);
    EXPECT_EQ(h, 470);
}

TEST(WindowAreas, ResizingKeepsTheStripsAndGivesTheRestToTheDrawingArea)
{
    const ui::WindowAreas areas = viewerAreas();
    expectRect(areas.rightStrip(900, 300), 700, 0, 200, 300);
    expectRect(areas.bottomStrip(900, 300), 0, 270, 700, 30);
    int x, y, w, h;
    areas.viewportArea(900, 300, &x, &y, &w, &h);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 30);
    EXPECT_EQ(w, 700);
    EXPECT_EQ(h, 270);
}

TEST(WindowAreas, AWindowSmallerThanTheStripsLeavesAnEmptyDrawingArea)
{
    const ui::WindowAreas areas = viewerAreas();
    expectRect(areas.drawingArea(150, 20), 0, 0, 0, 0);
    expectRect(areas.rightStrip(150, 20), 0, 0, 150, 20);
    int x, y, w, h;
    areas.viewportArea(150, 20, &x, &y, &w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    EXPECT_GE(y, 0);
}

TEST(WindowAreas, AColumnRightOfThePanelLeavesTheRestWhereTheyWereOrTakesFromTheDrawingArea)
{
    ui::WindowAreas areas = viewerAreas();
    areas.columnWidth = 366;
    // The window widened by the column: the drawing area and panel as before.
    expectRect(areas.drawingArea(966, 500), 0, 0, 400, 470);
    expectRect(areas.rightStrip(966, 500), 400, 0, 200, 500);
    expectRect(areas.column(966, 500), 600, 0, 366, 500);
    expectRect(areas.bottomStrip(966, 500), 0, 470, 400, 30);
    // Not widened: the drawing area gives way; the column before the panel.
    expectRect(areas.drawingArea(600, 500), 0, 0, 34, 470);
    expectRect(areas.column(300, 500), 200, 0, 100, 500);
    expectRect(areas.rightStrip(150, 500), 0, 0, 150, 500);
    expectRect(areas.column(150, 500), 150, 0, 0, 500);
}

TEST(WindowAreas, TheColumnShrinksToItsNarrowestThenHasNoRoomAndTheDrawingAreaKeepsItsMinimum)
{
    ui::WindowAreas areas = viewerAreas();
    areas.columnWidth = 366;
    areas.minColumnWidth = 250;
    areas.minDrawingWidth = 100;
    for (int width = 300; width <= 966; ++width) {
        const int column = areas.column(width, 500).w;
        EXPECT_EQ(areas.drawingArea(width, 500).w, width - 200 - column);
        EXPECT_EQ(column, width < 550 ? 0 : std::min(366, width - 300)) << width;
        EXPECT_EQ(areas.columnSqueezedOut(width), width < 550) << width;
    }
}

TEST(WindowAreas, PointsOnTheEdgesBelongToOneAreaOnly)
{
    const ui::WindowAreas areas = viewerAreas();
    const ui::Rect drawing = areas.drawingArea(600, 500);
    const ui::Rect panel = areas.rightStrip(600, 500);
    const ui::Rect info = areas.bottomStrip(600, 500);
    EXPECT_TRUE(drawing.contains(0, 0));
    EXPECT_TRUE(drawing.contains(399, 469));
    EXPECT_FALSE(drawing.contains(400, 0));
    EXPECT_TRUE(panel.contains(400, 0));
    EXPECT_FALSE(drawing.contains(0, 470));
    EXPECT_TRUE(info.contains(0, 470));
    EXPECT_TRUE(panel.contains(599, 499));
    EXPECT_FALSE(info.contains(400, 480));
    EXPECT_FALSE(drawing.contains(-1, 10));
}

} // namespace
