#pragma once
// The window side of the control layer: draws the plain controls of
// controls.h with Dear ImGui in strips along the edges of the one GLUT
// window, routes GLUT's input between those strips and the application's
// drawing area, and turns clicks into the controls' user actions.
//
// Two rules shape it:
// - A control's callback never runs inside an ImGui frame. A click only
//   records the action; runPendingActions runs it after the frame has been
//   drawn, so a command may rebuild the panel or open a modal dialog.
// - A button or key changes at most once per frame for ImGui. This ImGui
//   polls button state once per frame, so a press and its release arriving
//   together (a quick click) would otherwise never be seen. Everything else
//   queued goes in the same frame, so input never backs up.
#include "ui/controls.h"
#include "ui/imgui/panelfont.h"
#include "ui/windowareas.h"

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace ui {

// Right: the panel, full height. Bottom: the info line under the drawing
// area. Column: a strip right of the panel, full height, shown only while it
// has a width (show_column).
enum class Side { Right, Bottom, Column };

class ImguiControls {
public:
    using MouseFunc = void (*)(int button, int state, int x, int y);
    using MotionFunc = void (*)(int x, int y);
    using ReshapeFunc = void (*)(int width, int height);
    // A key the application may take before the strips see it (a shortcut),
    // with GLUT's modifier bits: returns whether it did.
    using KeyFunc = bool (*)(unsigned char key, int modifiers);
    using SpecialKeyFunc = bool (*)(int key, bool down);
    // The keys that walk the list in the column.
    enum class ColumnKey { Up, Down, Left, Right, Home, End, Return };
    using ColumnKeyFunc = bool (*)(ColumnKey key);

    // The one front end: GLUT callbacks carry no context.
    static ImguiControls& master();

    // Creates the ImGui context and its GLUT and OpenGL2 backends for the
    // current GLUT window and takes over that window's input callbacks.
    void init();

    // A strip of controls along one side of the main window, thickness
    // pixels wide (right) or high (bottom). The right strip spans the full
    // height, the bottom strip what the right strip leaves. Owned here.
    ControlWindow* create_subwindow(Side side, int thickness);

    // The application's own callbacks for input that belongs to the drawing
    // area, and for size changes (after the strips have been laid out anew).
    void set_glutMouseFunc(MouseFunc f) { appMouse = f; }
    void set_glutMotionFunc(MotionFunc f) { appMotion = f; }
    void set_glutReshapeFunc(ReshapeFunc f) { appReshape = f; }
    // Keys pressed wherever the pointer is, except while a text field has
    // the keyboard: those keys are the field's.
    void set_shortcutFunc(KeyFunc f) { appKey = f; }
    // The same for GLUT's special keys, pressed (down) and released: true
    // when the application took the key, which ImGui then never sees.
    void set_specialKeyFunc(SpecialKeyFunc f) { appSpecialKey = f; }
    // Pointer moves without a button over the drawing area, and (-1, -1)
    // once the pointer has left it.
    void set_glutPassiveMotionFunc(MotionFunc f) { appPassiveMotion = f; }
    // The arrow keys, Home, End and Return, without modifiers, while the
    // pointer is over the column and no text field has the keyboard; true
    // when the key was used.
    void set_columnKeyFunc(ColumnKeyFunc f) { appColumnKey = f; }

    // Runs action after the next frame, like a control's callback: outside
    // any ImGui frame, so it may open a modal dialog.
    void post(std::function<void()> action);

    // Puts the column on screen with width pixels, or takes it off with 0.
    // The window grows by the column, or shrinks by what the column takes
    // then, so the drawing area and the panel keep their places and sizes;
    // the strips are laid out for the new width before the window has it,
    // so the drawing area's size never changes on the way. Where the window
    // cannot grow (no room on the screen, a window manager that keeps its
    // size), the column takes its width from the drawing area instead.
    // A window narrowed with the column open takes width from the drawing
    // area down to keptDrawing pixels (fewer if the column left it fewer
    // when it opened, never fewer than minDrawing); then the column gives
    // up width down to narrowest, then closes: columnClosed (when set)
    // hears of it, and only a new show_column opens it again.
    void show_column(int width, int narrowest = 0, int keptDrawing = minDrawing);
    std::function<void()> columnClosed;
    // What the window asks the window manager for at least: the right strip
    // beside a drawing area of minDrawing x minDrawing above the bottom strip.
    static constexpr int minDrawing = 100;
    int minimum_width() const { return areas.rightWidth + minDrawing; }
    int minimum_height() const { return areas.bottomHeight + minDrawing; }
    // The width of a column of tree rows: indentAndPicture pixels, then a
    // label of labelCharacters characters, the padding and a scroll bar.
    int tree_column_width(int indentAndPicture, int labelCharacters) const;

    // The drawing area in GL convention (origin bottom left).
    void get_viewport_area(int* x, int* y, int* w, int* h) const;
    void auto_set_viewport() const;

    // Draws the strips over whatever the frame holds so far. Call it in the
    // display callback after the scene and before the buffer swap.
    void render();
    // Runs the user actions recorded by the last render, in order, one
    // after the other; then asks for a redisplay if there were any.
    void runPendingActions();

private:
    struct Strip {
        Side side;
        std::unique_ptr<ControlWindow> window;
    };
    // A change of ImGui's input state, replayed before a frame.
    struct InputChange {
        std::function<void()> apply;
        std::vector<int> edges;   // the buttons and keys that went up or down
    };
    struct InputState;

    static void mouseRouter(int button, int state, int x, int y);
    static void motionRouter(int x, int y);
    static void passiveMotionRouter(int x, int y);
    static void entryRouter(int state);
    static void reshapeRouter(int width, int height);
    static void keyboardRouter(unsigned char key, int x, int y);
    static void keyboardUpRouter(unsigned char key, int x, int y);
    static void specialRouter(int key, int x, int y);
    static void specialUpRouter(int key, int x, int y);
    static void columnTimeout(int serial);

    // The width the strips are laid out for: the window's, or the one it
    // has been asked to take and has not taken yet.
    int layoutWidth() const { return requestedWidth > 0 ? requestedWidth : windowWidth; }
    void requestWidth(int width);
    // What the drawing area keeps while the column gives way, in a window
    // windowWidth wide with the column open.
    void keepDrawing(int windowWidth);
    void layoutChanged();
    void closeSqueezedColumn();

    // Lets an ImGui backend input handler run against the state ImGui will
    // have once every queued change is applied, and queues what it changed.
    void recordInput(const std::function<void()>& backendCall);
    void applyQueuedInput();
    void requestFrames();

    void drawStrip(const Strip& strip);
    void drawChildren(Panel& panel);
    void drawControl(Control& control);
    void drawPanel(Panel& panel);
    void drawButton(Button& button);
    void drawCheckbox(Checkbox& checkbox);
    void drawListbox(Listbox& listbox);
    void drawEditText(EditText& edit);
    void drawPathBar(PathBar& bar);
    void drawHistogram(Histogram& histogram);
    void drawLayerList(LayerList& list);
    static bool isSharingButton(const Control& control);
    int rowButtons = 1;       // buttons in the row being drawn
    int scrollFrames = 0;     // frames the layer list has scrolled towards its target
    float rowWidth = 0.0f;    // its width, measured at its first button
    float fieldReserve = 0.0f;   // room a field leaves for the button beside it
    float rightEdge() const { return rightEdges.back(); }

    MouseFunc appMouse = nullptr;
    MotionFunc appMotion = nullptr;
    ReshapeFunc appReshape = nullptr;
    KeyFunc appKey = nullptr;
    SpecialKeyFunc appSpecialKey = nullptr;
    MotionFunc appPassiveMotion = nullptr;
    ColumnKeyFunc appColumnKey = nullptr;
    bool pointerInDrawingArea = false;
    int pointerX = -1, pointerY = -1;   // the pointer's last place in the window; -1: outside
    bool pointerOverColumn() const;

    WindowAreas areas;
    int windowWidth = 0;
    int windowHeight = 0;
    int requestedWidth = 0;    // asked of the window manager, not yet answered
    int widthBeforeRequest = 0;
    int requestSerial = 0;     // which request a timeout belongs to
    int columnGrewWindow = 0;  // how much wider the column made the window
    int keptDrawingWidth = minDrawing;   // show_column's keptDrawing
    std::vector<Strip> strips;

    unsigned appButtons = 0;     // buttons pressed in the drawing area, still held
    unsigned imguiButtons = 0;   // buttons pressed over the strips, still held

    std::deque<InputChange> inputQueue;
    std::unique_ptr<InputState> pendingState;   // ImGui's input once the queue is applied
    int extraFrames = 0;
    bool dropFocus = false;   // a press in the drawing area leaves the controls

    std::vector<std::function<void()>> pendingActions;
    std::vector<float> rightEdges;
    PanelFont font;   // screen x where the enclosing panel's content ends
};

} // namespace ui
