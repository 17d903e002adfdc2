#include "ui/imgui/imguicontrols.h"

#include "ui/inputbatch.h"
#include "ui/middleellipsis.h"

#include <GL/freeglut.h>
#include <imgui.h>
#include <imgui_internal.h>   // GetActiveID: which field the user is inside
#include <backends/imgui_impl_glut.h>
#include <backends/imgui_impl_opengl2.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace ui {

namespace {
constexpr int extraFramesAfterInput = 2;   // hover and activation settle one frame late
constexpr float panelPadding = 4.0f;
constexpr ImGuiWindowFlags stripFlags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize |
                                        ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                                        ImGuiWindowFlags_NoSavedSettings |
                                        ImGuiWindowFlags_NoBringToFrontOnFocus;

void applyStyle()
{
    ImGui::StyleColorsLight();
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowRounding = 0.0f;
    style.WindowBorderSize = 0.0f;
    style.FrameBorderSize = 1.0f;
    style.WindowPadding = ImVec2(6.0f, 5.0f);   // a frame (19 px) centred in the 30 px info line
    style.ItemSpacing = ImVec2(4.0f, 4.0f);
    // Opaque strips: nothing of the cleared background shows through.
    style.Colors[ImGuiCol_WindowBg] = ImVec4(0.86f, 0.86f, 0.86f, 1.0f);
    // A panel that overflows shows a scroll bar in its right margin, so the
    // controls keep their width and place (see drawStrip).
    style.ScrollbarSize = style.WindowPadding.x;
    style.ScrollbarRounding = 0.0f;
    style.Colors[ImGuiCol_ScrollbarGrab] = ImVec4(0.55f, 0.55f, 0.55f, 1.0f);
}
} // namespace

// ImGui's input fields that GLUT events change. Copied whole per event, so a
// change is replayed as "the state after this event".
struct ImguiControls::InputState {
    ImVec2 mousePos;
    bool mouseDown[5];
    bool keyCtrl, keyShift, keyAlt, keySuper;
    bool keysDown[512];

    static InputState read(const ImGuiIO& io)
    {
        InputState s;
        s.mousePos = io.MousePos;
        std::copy(std::begin(io.MouseDown), std::end(io.MouseDown), s.mouseDown);
        s.keyCtrl = io.KeyCtrl;
        s.keyShift = io.KeyShift;
        s.keyAlt = io.KeyAlt;
        s.keySuper = io.KeySuper;
        std::copy(std::begin(io.KeysDown), std::end(io.KeysDown), s.keysDown);
        return s;
    }
    void write(ImGuiIO& io) const
    {
        io.MousePos = mousePos;
        std::copy(std::begin(mouseDown), std::end(mouseDown), io.MouseDown);
        io.KeyCtrl = keyCtrl;
        io.KeyShift = keyShift;
        io.KeyAlt = keyAlt;
        io.KeySuper = keySuper;
        std::copy(std::begin(keysDown), std::end(keysDown), io.KeysDown);
    }
    // The buttons and keys that differ from o: mouse buttons 0 to 4, then
    // key k as 5 + k.
    std::vector<int> changedButtonsAndKeys(const InputState& o) const
    {
        std::vector<int> changed;
        for (int b = 0; b < 5; ++b)
            if (mouseDown[b] != o.mouseDown[b]) changed.push_back(b);
        for (int k = 0; k < 512; ++k)
            if (keysDown[k] != o.keysDown[k]) changed.push_back(5 + k);
        return changed;
    }
};

static_assert(sizeof(ImGuiIO::MouseDown) == 5 * sizeof(bool), "ImGui's mouse button array changed");
static_assert(sizeof(ImGuiIO::KeysDown) == 512 * sizeof(bool), "ImGui's key array changed");

ImguiControls& ImguiControls::master()
{
    static ImguiControls instance;
    return instance;
}

void ImguiControls::init()
{
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;   // the viewer keeps no settings files
    io.LogFilename = nullptr;
    io.ConfigInputTextCursorBlink = false;   // a blinking cursor would need frames while idle
    applyStyle();
    font.load();
    ImGui_ImplGLUT_Init();
    ImGui_ImplOpenGL2_Init();

    windowWidth = glutGet(GLUT_WINDOW_WIDTH);
    windowHeight = glutGet(GLUT_WINDOW_HEIGHT);
    ImGui_ImplGLUT_ReshapeFunc(windowWidth, windowHeight);
    pendingState = std::make_unique<InputState>(InputState::read(io));

    // ImGui's own installer would hand every event to ImGui; these routers
    // decide first whether an event belongs to the strips or to the drawing
    // area. No wheel callback: freeglut then reports the wheel as buttons 3
    // and 4, which go wherever the pointer is like any other button.
    glutMouseFunc(mouseRouter);
    glutMotionFunc(motionRouter);
    glutPassiveMotionFunc(passiveMotionRouter);
    glutEntryFunc(entryRouter);
    glutReshapeFunc(reshapeRouter);
    glutKeyboardFunc(keyboardRouter);
    glutKeyboardUpFunc(keyboardUpRouter);
    glutSpecialFunc(specialRouter);
    glutSpecialUpFunc(specialUpRouter);
}

ControlWindow* ImguiControls::create_subwindow(Side side, int thickness)
{
    if (side == Side::Right) areas.rightWidth = thickness;
    else if (side == Side::Bottom) areas.bottomHeight = thickness;
    else areas.columnWidth = thickness;
    strips.push_back({side, std::make_unique<ControlWindow>()});
    return strips.back().window.get();
}

void ImguiControls::get_viewport_area(int* x, int* y, int* w, int* h) const
{
    areas.viewportArea(layoutWidth(), windowHeight, x, y, w, h);
}

void ImguiControls::auto_set_viewport() const
{
    int x, y, w, h;
    get_viewport_area(&x, &y, &w, &h);
    glViewport(x, y, w, h);
}

// --- Input ---

void ImguiControls::requestFrames()
{
    extraFrames = extraFramesAfterInput;
    glutPostRedisplay();
}

void ImguiControls::recordInput(const std::function<void()>& backendCall)
{
    ImGuiIO& io = ImGui::GetIO();
    const InputState applied = InputState::read(io);
    const float wheelApplied = io.MouseWheel;
    const int charsApplied = io.InputQueueCharacters.Size;

    pendingState->write(io);
    io.MouseWheel = 0.0f;
    backendCall();
    const InputState after = InputState::read(io);
    const float wheel = io.MouseWheel;
    std::vector<ImWchar> chars(io.InputQueueCharacters.begin() + charsApplied, io.InputQueueCharacters.end());

    // Back to what the next frame is allowed to see.
    applied.write(io);
    io.MouseWheel = wheelApplied;
    io.InputQueueCharacters.resize(charsApplied);

    std::vector<int> edges = after.changedButtonsAndKeys(*pendingState);
    *pendingState = after;
    inputQueue.push_back({[after, wheel, chars] {
                              ImGuiIO& io = ImGui::GetIO();
                              after.write(io);
                              io.MouseWheel += wheel;
                              for (ImWchar c : chars) io.AddInputCharacter(c);
                          },
                          std::move(edges)});
    requestFrames();
}

void ImguiControls::applyQueuedInput()
{
    std::size_t count =
        changesForOneFrame(inputQueue, [](const InputChange& change) -> const std::vector<int>& { return change.edges; });
    for (; count > 0; --count) {
        inputQueue.front().apply();
        inputQueue.pop_front();
    }
}

void ImguiControls::mouseRouter(int button, int state, int x, int y)
{
    ImguiControls& m = master();
    const unsigned bit = (button >= 0 && button < 32) ? 1u << button : 0u;
    const bool inDrawingArea = m.areas.drawingArea(m.layoutWidth(), m.windowHeight).contains(x, y);
    bool toApp;
    bool toImgui;
    if (state == GLUT_DOWN) {
        // Once a drag has started in the drawing area every button belongs
        // to it until all are up, wherever the pointer is.
        toApp = m.appButtons != 0 || (inDrawingArea && m.imguiButtons == 0);
        toImgui = !toApp;
        if (toApp) m.appButtons |= bit;
        else m.imguiButtons |= bit;
        // ImGui never sees this press, so it would keep a text field
        // editing or a list open; the next frame takes its focus away.
        if (toApp) m.dropFocus = true;
    } else {
        // A release ends the application's drag even for a button that
        // ImGui holds; ImGui still gets the releases of its own buttons.
        const bool imguiHolds = (m.imguiButtons & bit) != 0;
        toApp = m.appButtons != 0 || (!imguiHolds && inDrawingArea);
        toImgui = imguiHolds || !toApp;
        m.appButtons &= ~bit;
        m.imguiButtons &= ~bit;
    }

    if (toImgui) {
        if (button == 3 || button == 4) {
            if (state == GLUT_DOWN) m.recordInput([=] { ImGui_ImplGLUT_MouseWheelFunc(0, button == 3 ? 1 : -1, x, y); });
        } else {
            m.recordInput([=] { ImGui_ImplGLUT_MouseFunc(button, state, x, y); });
        }
    }
    if (toApp) {
        if (m.appMouse) m.appMouse(button, state, x, y);
        // The pointer may have ended the drag over the strips.
        if (m.appButtons == 0) m.recordInput([=] { ImGui_ImplGLUT_MotionFunc(x, y); });
        m.requestFrames();   // the info line changes with every button
    }
}

bool ImguiControls::pointerOverColumn() const
{
    return pointerX >= 0 && areas.column(layoutWidth(), windowHeight).contains(pointerX, pointerY);
}

void ImguiControls::motionRouter(int x, int y)
{
    ImguiControls& m = master();
    m.pointerX = x;
    m.pointerY = y;
    if (m.appButtons != 0) {
        if (m.appMotion) m.appMotion(x, y);
        // The panel and the info line show what the move did at once, not
        // when the next picture comes: on a heavy composition that is a
        // quarter of a second later.
        m.requestFrames();
        return;
    }
    m.recordInput([=] { ImGui_ImplGLUT_MotionFunc(x, y); });
}

void ImguiControls::passiveMotionRouter(int x, int y)
{
    ImguiControls& m = master();
    m.pointerX = x;
    m.pointerY = y;
    const bool inDrawingArea = m.areas.drawingArea(m.layoutWidth(), m.windowHeight).contains(x, y);
    if (m.appPassiveMotion && (inDrawingArea || m.pointerInDrawingArea)) {
        m.appPassiveMotion(inDrawingArea ? x : -1, inDrawingArea ? y : -1);
        m.requestFrames();   // the info line follows the pointer
    }
    m.pointerInDrawingArea = inDrawingArea;
    m.recordInput([=] { ImGui_ImplGLUT_MotionFunc(x, y); });
}

void ImguiControls::entryRouter(int state)
{
    if (state != GLUT_LEFT) return;
    ImguiControls& m = master();
    m.pointerX = m.pointerY = -1;
    if (m.pointerInDrawingArea && m.appPassiveMotion) m.appPassiveMotion(-1, -1);
    m.pointerInDrawingArea = false;
    // Nothing stays hovered once the pointer has left the window.
    master().recordInput([] { ImGui::GetIO().MousePos = ImVec2(-FLT_MAX, -FLT_MAX); });
}

void ImguiControls::reshapeRouter(int width, int height)
{
    ImguiControls& m = master();
    // The width asked for answers the request. Any other (an earlier
    // request's, when the column was opened and closed quickly) leaves the
    // strips laid out for the width asked for until it comes or the request
    // times out.
    if (width == m.requestedWidth) m.requestedWidth = 0;
    m.windowWidth = width;
    m.windowHeight = height;
    m.closeSqueezedColumn();
    ImGui_ImplGLUT_ReshapeFunc(width, height);
    if (m.appReshape) m.appReshape(width, height);
    m.requestFrames();
}

// The backend's keyboard handlers read glutGetModifiers, which only answers
// inside a GLUT input callback: they run here, and only their effect waits.
void ImguiControls::keyboardRouter(unsigned char key, int x, int y)
{
    ImguiControls& m = master();
    // As of the last frame: a field being edited keeps its keys.
    if (m.appKey && !ImGui::GetIO().WantTextInput && m.appKey(key, glutGetModifiers())) {
        m.requestFrames();   // the panel shows what the shortcut did
        return;
    }
    if ((key == '\r' || key == '\n') && m.appColumnKey && !ImGui::GetIO().WantTextInput && glutGetModifiers() == 0 &&
        m.pointerOverColumn() && m.appColumnKey(ColumnKey::Return)) {
        m.requestFrames();
        return;
    }
    m.recordInput([=] { ImGui_ImplGLUT_KeyboardFunc(key, x, y); });
}

void ImguiControls::keyboardUpRouter(unsigned char key, int x, int y)
{
    master().recordInput([=] { ImGui_ImplGLUT_KeyboardUpFunc(key, x, y); });
}

void ImguiControls::specialRouter(int key, int x, int y)
{
    ImguiControls& m = master();
    if (m.appSpecialKey && !ImGui::GetIO().WantTextInput && m.appSpecialKey(key, true)) {
        m.requestFrames();
        return;
    }
    if (m.appColumnKey && !ImGui::GetIO().WantTextInput && glutGetModifiers() == 0 && m.pointerOverColumn()) {
        bool walks = true;
        ColumnKey walk = ColumnKey::Up;
        switch (key) {
        case GLUT_KEY_UP: walk = ColumnKey::Up; break;
        case GLUT_KEY_DOWN: walk = ColumnKey::Down; break;
        case GLUT_KEY_LEFT: walk = ColumnKey::Left; break;
        case GLUT_KEY_RIGHT: walk = ColumnKey::Right; break;
        case GLUT_KEY_HOME: walk = ColumnKey::Home; break;
        case GLUT_KEY_END: walk = ColumnKey::End; break;
        default: walks = false; break;
        }
        if (walks && m.appColumnKey(walk)) {
            m.requestFrames();
            return;
        }
    }
    m.recordInput([=] { ImGui_ImplGLUT_SpecialFunc(key, x, y); });
}

void ImguiControls::specialUpRouter(int key, int x, int y)
{
    ImguiControls& m = master();
    // A release the application takes: it took the press too (a field that
    // got the keyboard in between still hears nothing it did not start).
    if (m.appSpecialKey && m.appSpecialKey(key, false)) return;
    m.recordInput([=] { ImGui_ImplGLUT_SpecialUpFunc(key, x, y); });
}

// --- The column ---

void ImguiControls::show_column(int width, int narrowest)
{
    width = width > 0 ? width : 0;
    areas.minColumnWidth = std::min(std::max(narrowest, 0), width);
    areas.minDrawingWidth = minDrawing;
    if (width == areas.columnWidth) return;
    const int before = areas.columnWidth;
    areas.columnWidth = width;
    if (width > 0 && before == 0) {
        const int wanted = layoutWidth() + width;
        // A window wider than the screen would hide the column: it stays
        // as wide as it is, and the drawing area gives way.
        const int screen = glutGet(GLUT_SCREEN_WIDTH);
        if (screen > 0 && wanted > screen) {
            layoutChanged();
            return;
        }
        columnGrewWindow = width;
        requestWidth(wanted);
    } else if (width == 0 && columnGrewWindow > 0) {
        const int wanted = layoutWidth() - columnGrewWindow;
        columnGrewWindow = 0;
        requestWidth(wanted > 1 ? wanted : 1);
    } else {
        layoutChanged();   // the drawing area takes or gives the difference
    }
}

void ImguiControls::requestWidth(int width)
{
    widthBeforeRequest = layoutWidth();
    requestedWidth = width;
    glutReshapeWindow(width, windowHeight);
    // No answer, or another width (a maximised window, a window manager
    // that refuses or grants less): the strips take the size the window
    // has, and the column what it did not grow by from the drawing area.
    glutTimerFunc(1000, columnTimeout, ++requestSerial);
    requestFrames();
}

void ImguiControls::columnTimeout(int serial)
{
    ImguiControls& m = master();
    if (serial != m.requestSerial || m.requestedWidth == 0) return;
    m.requestedWidth = 0;
    if (m.areas.columnWidth > 0) {
        const int grown = m.windowWidth - m.widthBeforeRequest;
        m.columnGrewWindow = std::max(0, std::min(grown, m.areas.columnWidth));
    }
    m.layoutChanged();
}

void ImguiControls::closeSqueezedColumn()
{
    if (!areas.columnSqueezedOut(layoutWidth())) return;
    // Closed for good: a wider window later does not bring it back.
    areas.columnWidth = 0;
    columnGrewWindow = 0;
    if (columnClosed) columnClosed();
}

void ImguiControls::layoutChanged()
{
    closeSqueezedColumn();
    // The drawing area changed size without the window doing so: the
    // application hears of it as of any resize.
    if (appReshape) appReshape(windowWidth, windowHeight);
    requestFrames();
}

int ImguiControls::tree_column_width(int indentAndPicture, int labelCharacters) const
{
    const ImGuiStyle& style = ImGui::GetStyle();
    const float label = ImGui::CalcTextSize(std::string(static_cast<std::size_t>(labelCharacters), 'M').c_str()).x;
    return static_cast<int>(std::ceil(indentAndPicture + style.ItemSpacing.x * 2.0f + label + style.WindowPadding.x * 2.0f +
                                      style.ScrollbarSize));
}

// --- Frame ---

void ImguiControls::render()
{
    applyQueuedInput();
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplGLUT_NewFrame();   // also starts the ImGui frame
    if (dropFocus) {
        ImGui::SetWindowFocus(nullptr);
        dropFocus = false;
    }
    for (std::size_t i = 0; i < strips.size(); ++i) {
        ImGui::PushID(static_cast<int>(i));
        drawStrip(strips[i]);
        ImGui::PopID();
    }
    ImGui::Render();
    // The backend sets the whole window as its viewport and restores the
    // drawing area's afterwards, with the rest of the state it touches.
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
    // Characters the frame lacked come with the next one: the renderer
    // makes the font texture again when it finds none.
    if (font.rebuildIfWanted()) {
        ImGui_ImplOpenGL2_DestroyFontsTexture();
        requestFrames();
    }

    if (!inputQueue.empty()) {
        glutPostRedisplay();
    } else if (extraFrames > 0) {
        --extraFrames;
        glutPostRedisplay();
    }
}

void ImguiControls::post(std::function<void()> action)
{
    pendingActions.push_back(std::move(action));
    requestFrames();
}

void ImguiControls::runPendingActions()
{
    if (pendingActions.empty()) return;
    std::vector<std::function<void()>> actions;
    actions.swap(pendingActions);
    for (const auto& action : actions) action();
    requestFrames();
}

void ImguiControls::drawStrip(const Strip& strip)
{
    const int width = layoutWidth();
    const Rect r = strip.side == Side::Right    ? areas.rightStrip(width, windowHeight)
                   : strip.side == Side::Bottom ? areas.bottomStrip(width, windowHeight)
                                                : areas.column(width, windowHeight);
    if (r.w <= 0 || r.h <= 0) return;
    ImGui::SetNextWindowPos(ImVec2(static_cast<float>(r.x), static_cast<float>(r.y)));
    ImGui::SetNextWindowSize(ImVec2(static_cast<float>(r.w), static_cast<float>(r.h)));
    ImGuiWindowFlags flags = stripFlags;
    // A panel taller than the window (a long layer path, a short window)
    // scrolls, with the wheel or its scroll bar. The bar shows only then,
    // in the panel's right margin, as wide as the margin: the controls end
    // where they always do, so nothing moves when it comes or goes, and the
    // drawing area keeps its size.
    if (strip.side == Side::Bottom) flags |= ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse;
    // The column keeps room for its scroll bar, so its rows never move.
    if (strip.side == Side::Column) flags |= ImGuiWindowFlags_AlwaysVerticalScrollbar;
    const char* name = strip.side == Side::Right ? "##right" : strip.side == Side::Bottom ? "##bottom" : "##column";
    if (ImGui::Begin(name, nullptr, flags)) {
        const bool panel = strip.side == Side::Right;
        const float right = panel ? static_cast<float>(r.x + r.w) - ImGui::GetStyle().WindowPadding.x
                                  : ImGui::GetCursorScreenPos().x + ImGui::GetContentRegionAvail().x;
        rightEdges.assign(1, right);
        // ImGui would clip the panel's content short of the bar by half the
        // margin.
        if (panel)
            ImGui::PushClipRect(ImVec2(static_cast<float>(r.x), static_cast<float>(r.y)),
                                ImVec2(right, static_cast<float>(r.y + r.h)), false);
        drawChildren(strip.window->root());
        if (panel) ImGui::PopClipRect();
    }
    ImGui::End();
}

void ImguiControls::drawChildren(Panel& panel)
{
    const auto& children = panel.children();
    int rowLeft = 0;   // buttons of a shared row still to draw
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (rowLeft == 0) {
            // A shared row: this button and every one up to the first that
            // does not share, all of one width.
            rowButtons = 1;
            for (std::size_t j = i; j + 1 < children.size() && isSharingButton(*children[j]); ++j) ++rowButtons;
            rowLeft = rowButtons;
            rowWidth = 0.0f;
        }
        // A field sharing its row leaves the next control, a button, the
        // room its label takes.
        fieldReserve = 0.0f;
        if (children[i]->kind() == Control::Kind::EditText && static_cast<EditText&>(*children[i]).shares_row() &&
            i + 1 < children.size()) {
            const ImGuiStyle& style = ImGui::GetStyle();
            fieldReserve = font.layoutWidth(children[i + 1]->label()) + 2 * style.FramePadding.x + style.ItemSpacing.x;
        }
        drawControl(*children[i]);
        if (fieldReserve > 0.0f) ImGui::SameLine();
        --rowLeft;
    }
}

bool ImguiControls::isSharingButton(const Control& control)
{
    return control.kind() == Control::Kind::Button && static_cast<const Button&>(control).shares_row();
}

void ImguiControls::drawControl(Control& control)
{
    font.want(control.label());
    switch (control.kind()) {
    case Control::Kind::Listbox:
        for (const Listbox::Item& item : static_cast<Listbox&>(control).items()) font.want(item.text);
        break;
    case Control::Kind::EditText: font.want(static_cast<EditText&>(control).get_text()); break;
    case Control::Kind::PathBar:
        for (const std::string& step : static_cast<PathBar&>(control).steps()) font.want(step);
        break;
    case Control::Kind::Histogram: font.want(static_cast<Histogram&>(control).caption()); break;
    default: break;
    }
    ImGui::PushID(&control);
    ImGui::BeginDisabled(!control.enabled());   // greyed out, and ImGui ignores clicks on it
    switch (control.kind()) {
    case Control::Kind::Panel: drawPanel(static_cast<Panel&>(control)); break;
    case Control::Kind::Button: drawButton(static_cast<Button&>(control)); break;
    case Control::Kind::Checkbox: drawCheckbox(static_cast<Checkbox&>(control)); break;
    case Control::Kind::Listbox: drawListbox(static_cast<Listbox&>(control)); break;
    case Control::Kind::EditText: drawEditText(static_cast<EditText&>(control)); break;
    case Control::Kind::PathBar: drawPathBar(static_cast<PathBar&>(control)); break;
    case Control::Kind::Histogram: drawHistogram(static_cast<Histogram&>(control)); break;
    case Control::Kind::LayerList: drawLayerList(static_cast<LayerList&>(control)); break;
    }
    ImGui::EndDisabled();
    ImGui::PopID();
}

// A titled frame around the panel's controls, the title set into the top
// border line.
void ImguiControls::drawPanel(Panel& panel)
{
    const ImGuiStyle& style = ImGui::GetStyle();
    const char* title = panel.label().c_str();
    const ImVec2 topLeft = ImGui::GetCursorScreenPos();
    const float right = rightEdge();
    const ImVec2 titleSize = ImGui::CalcTextSize(title);

    ImGui::Dummy(titleSize);   // room for the title
    ImGui::Indent(panelPadding);
    rightEdges.push_back(right - panelPadding);
    drawChildren(panel);
    rightEdges.pop_back();
    ImGui::Unindent(panelPadding);

    const float bottom = ImGui::GetCursorScreenPos().y - style.ItemSpacing.y + panelPadding;
    const float borderTop = topLeft.y + titleSize.y * 0.5f;
    ImDrawList* draw = ImGui::GetWindowDrawList();
    draw->AddRect(ImVec2(topLeft.x, borderTop), ImVec2(right, bottom), ImGui::GetColorU32(ImGuiCol_Border));
    const ImVec2 titlePos(topLeft.x + 2.0f * panelPadding, topLeft.y);
    draw->AddRectFilled(ImVec2(titlePos.x - 2.0f, titlePos.y),
                        ImVec2(titlePos.x + titleSize.x + 2.0f, titlePos.y + titleSize.y),
                        ImGui::GetColorU32(ImGuiCol_WindowBg));
    draw->AddText(titlePos, ImGui::GetColorU32(ImGuiCol_Text), title);

    // Continue below the border.
    ImGui::SetCursorScreenPos(ImVec2(topLeft.x, bottom + 1.0f));
    ImGui::Dummy(ImVec2(0.0f, 0.0f));
}

void ImguiControls::drawButton(Button& button)
{
    // The buttons of a shared row split it equally; the row is measured at
    // its first button.
    const float spacing = ImGui::GetStyle().ItemSpacing.x;
    if (rowWidth <= 0.0f) rowWidth = rightEdge() - ImGui::GetCursorScreenPos().x;
    const float width = std::floor((rowWidth - spacing * static_cast<float>(rowButtons - 1)) / static_cast<float>(rowButtons));
    if (ImGui::Button(button.label().c_str(), ImVec2(width, 0.0f)))
        pendingActions.push_back([&button] { button.click(); });
    if (button.shares_row()) ImGui::SameLine();
}

void ImguiControls::drawCheckbox(Checkbox& checkbox)
{
    // ImGui gets a copy: the box changes only through the recorded toggle.
    bool checked = checkbox.get_int_val() != 0;
    if (ImGui::Checkbox(checkbox.label().c_str(), &checked))
        pendingActions.push_back([&checkbox] { checkbox.toggle(); });
}

// The label, then a combo showing the selected item; the combo shares the
// label's line when a combo of sharedComboWidth fits beside it.
//
// Where a row goes never depends on what a control holds: the rows below
// would move with it, and a click meant for a button lands on another when
// the current layer's type changes what a list holds (Blend's short variable
// names against Noise's). Every control's height follows from its kind and
// its label alone; this is the one control whose layout has a choice.
void ImguiControls::drawListbox(Listbox& listbox)
{
    // Room for a type's name beside "Layer Types: "; "Select variable: "
    // leaves less, so its list has a line of its own.
    constexpr float sharedComboWidth = 64.0f;
    const ImGuiStyle& style = ImGui::GetStyle();
    const char* label = listbox.label().c_str();
    const bool ownLine =
        ImGui::GetCursorScreenPos().x + font.layoutWidth(label) + style.ItemSpacing.x + sharedComboWidth > rightEdge();

    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(label);
    ImGui::SameLine();
    if (ownLine && !listbox.shares_row()) ImGui::NewLine();
    // A list that shares its line with a field is as wide as its widest item
    // and leaves the field at least a third of the line; its row is its own
    // whatever it holds.
    const float rest = rightEdge() - ImGui::GetCursorScreenPos().x;
    float width = rest;
    if (listbox.shares_row()) {
        float widest = 0.0f;
        for (const Listbox::Item& item : listbox.items()) widest = std::max(widest, font.layoutWidth(item.text));
        width = std::min(widest + style.FramePadding.x * 2.0f + ImGui::GetFrameHeight(), rest * 0.6f);
    }
    ImGui::SetNextItemWidth(width);
    const std::string selected = listbox.selectedText();
    // Tall enough for every layer type at once; a shorter list is as tall
    // as its items.
    if (ImGui::BeginCombo("##items", selected.c_str(), ImGuiComboFlags_HeightLarge)) {
        // Escape closes the open list and leaves the selection as it was.
        if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape), false)) ImGui::CloseCurrentPopup();
        for (const Listbox::Item& item : listbox.items()) {
            ImGui::PushID(item.id);
            const int id = item.id;
            if (ImGui::Selectable(item.text.c_str(), id == listbox.get_int_val()))
                pendingActions.push_back([&listbox, id] { listbox.choose(id); });
            ImGui::PopID();
        }
        ImGui::EndCombo();
    }
    if (listbox.shares_row()) ImGui::SameLine();
}

void ImguiControls::drawEditText(EditText& edit)
{
    // An unlabelled field follows a control on its line.
    if (!edit.label().empty()) {
        ImGui::AlignTextToFramePadding();
        ImGui::TextUnformatted(edit.label().c_str());
        ImGui::SameLine();
    }
    const float width = rightEdge() - ImGui::GetCursorScreenPos().x - fieldReserve;
    const float room = width - 2 * ImGui::GetStyle().FramePadding.x;
    ImGui::SetNextItemWidth(width);
    const std::string& whole = edit.get_text();
    // A read-out too long for its field (a message with a long path) loses
    // its middle, so the start and the end both stay in view; while the
    // user is inside the field it holds the whole text to scroll and copy.
    const ImGuiID id = ImGui::GetID("##text");
    const bool active = ImGui::GetActiveID() == id;
    const std::string shown =
        edit.read_only() && !active
            ? shortenInMiddle(whole, room, [](const std::string& t) { return ImGui::CalcTextSize(t.c_str()).x; })
            : whole;
    // Room for the longest path a file dialog returns and a message around it.
    char text[2048];
    std::strncpy(text, shown.c_str(), sizeof text - 1);
    text[sizeof text - 1] = '\0';
    const ImGuiInputTextFlags flags = edit.read_only() ? ImGuiInputTextFlags_ReadOnly : 0;
    const bool changed = edit.hint().empty()
                             ? ImGui::InputText("##text", text, sizeof text, flags)
                             : ImGui::InputTextWithHint("##text", edit.hint().c_str(), text, sizeof text, flags);
    if (changed) {
        std::string typed(text);
        pendingActions.push_back([&edit, typed] { edit.type(typed); });
    }
    // Enter ends the editing as leaving the field does.
    if (ImGui::IsItemDeactivated() && !edit.read_only()) pendingActions.push_back([&edit] { edit.commit(); });
    // A text longer than the field is shown whole while the pointer rests
    // on the field.
    if (ImGui::IsItemHovered() && !ImGui::IsItemActive() && ImGui::CalcTextSize(whole.c_str()).x > room) {
        // Wrapped to fit the window, which is narrower than a long path.
        ImGui::BeginTooltip();
        ImGui::PushTextWrapPos(ImGui::GetIO().DisplaySize.x * 0.6f);
        ImGui::TextUnformatted(whole.c_str());
        ImGui::PopTextWrapPos();
        ImGui::EndTooltip();
    }
}

// The label, then the steps as small buttons joined by chevrons, wrapped at
// the panel's edge. The last step is where the user is: plain text.
void ImguiControls::drawPathBar(PathBar& bar)
{
    ImGui::TextUnformatted(bar.label().c_str());
    const ImGuiStyle& style = ImGui::GetStyle();
    const float chevron = 8.0f;
    const std::vector<std::string>& steps = bar.steps();
    // The base shares the label's row when it fits: the panel is short.
    if (!steps.empty()) {
        ImGui::SameLine();
        if (ImGui::GetCursorScreenPos().x + ImGui::CalcTextSize(steps[0].c_str()).x + style.FramePadding.x * 2.0f >
            rightEdge())
            ImGui::NewLine();
    }
    // A long chain shows its base and its last few steps; "Go to parent"
    // and these reach the rest.
    constexpr std::size_t shownAtEnd = 6;
    const std::size_t skipEnd = steps.size() > shownAtEnd + 2 ? steps.size() - shownAtEnd : 1;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (i == 1 && skipEnd > 1) {
            ImGui::SameLine(0.0f, 4.0f);
            ImGui::TextUnformatted("...");
            i = skipEnd;
        }
        const bool last = i + 1 == steps.size();
        const float width = ImGui::CalcTextSize(steps[i].c_str()).x + (last ? 0.0f : style.FramePadding.x * 2.0f);
        if (i > 0) {
            ImGui::SameLine(0.0f, 2.0f);
            // A chevron drawn, not typed: the font has no such glyph.
            if (ImGui::GetCursorScreenPos().x + chevron + 2.0f + width > rightEdge()) ImGui::NewLine();
            const ImVec2 p = ImGui::GetCursorScreenPos();
            const float mid = p.y + ImGui::GetTextLineHeight() * 0.5f + 1.0f;
            ImDrawList* draw = ImGui::GetWindowDrawList();
            const ImU32 colour = ImGui::GetColorU32(ImGuiCol_Text);
            draw->AddLine(ImVec2(p.x + 2.0f, mid - 3.5f), ImVec2(p.x + 5.5f, mid), colour);
            draw->AddLine(ImVec2(p.x + 5.5f, mid), ImVec2(p.x + 2.0f, mid + 3.5f), colour);
            ImGui::Dummy(ImVec2(chevron, ImGui::GetTextLineHeight()));
            ImGui::SameLine(0.0f, 2.0f);
        }
        ImGui::PushID(static_cast<int>(i));
        if (last) {
            ImGui::TextUnformatted(steps[i].c_str());
        } else if (ImGui::SmallButton(steps[i].c_str())) {
            const int index = static_cast<int>(i);
            pendingActions.push_back([&bar, index] { bar.choose(index); });
        }
        ImGui::PopID();
    }
}

void ImguiControls::drawHistogram(Histogram& histogram)
{
    ImGui::TextUnformatted(histogram.label().c_str());
    ImGui::TextUnformatted(histogram.caption().c_str());
    const std::vector<float>& bars = histogram.bars();
    if (bars.empty()) return;
    const float width = rightEdge() - ImGui::GetCursorScreenPos().x;
    ImGui::PlotHistogram("##bars", bars.data(), static_cast<int>(bars.size()), 0, nullptr, 0.0f, FLT_MAX,
                         ImVec2(width, 28.0f));
}

// One row per node, each as high as a picture: the indentation (with its
// mark, if any), the picture drawn pixel for pixel and the label. Only the
// rows in view are drawn, and the list hears which those are.
void ImguiControls::drawLayerList(LayerList& list)
{
    constexpr float pad = 2.0f;   // above and below a picture
    constexpr float gap = 6.0f;   // between the picture and the label
    const std::vector<LayerList::Row>& rows = list.rows();
    const float pictureWidth = static_cast<float>(list.picture_width());
    const float rowHeight = static_cast<float>(list.picture_height()) + 2.0f * pad;
    const float width = rightEdge() - ImGui::GetCursorScreenPos().x;
    if (rowHeight <= 2.0f * pad) {
        list.set_visible(0, 0);
        return;
    }
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(ImGui::GetStyle().ItemSpacing.x, 0.0f));

    // The row asked for, whole and clear of the window's padding; centred
    // when it is not. ImGui clamps a scroll to the length the list had at
    // the last frame, so the request stays until the row is seen in view
    // (a few frames at most).
    const int target = list.scroll_target();
    if (target >= static_cast<int>(rows.size()) || scrollFrames > 8) {
        list.scrolled_into_view();
        scrollFrames = 0;
    } else if (target >= 0) {
        const float top = ImGui::GetCursorPosY() + rowHeight * static_cast<float>(target) - ImGui::GetScrollY();
        const float view = ImGui::GetWindowHeight();
        const float padding = ImGui::GetStyle().WindowPadding.y;
        if (top >= padding && top + rowHeight <= view - padding) {
            list.scrolled_into_view();
            scrollFrames = 0;
        } else {
            ImGui::SetScrollY(ImGui::GetScrollY() + top - (view - rowHeight) * 0.5f);
            ++scrollFrames;
            requestFrames();
        }
    }

    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImU32 text = ImGui::GetColorU32(ImGuiCol_Text);
    const ImU32 faint = ImGui::GetColorU32(ImGuiCol_TextDisabled);
    const float lineHeight = ImGui::GetTextLineHeight();
    int first = static_cast<int>(rows.size()), end = 0;
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(rows.size()), rowHeight);
    while (clipper.Step()) {
        first = std::min(first, clipper.DisplayStart);
        end = std::max(end, clipper.DisplayEnd);
        for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
            const LayerList::Row& row = rows[static_cast<std::size_t>(i)];
            // Whole pixels, so each of the picture's pixels lands on one
            // pixel of the screen.
            const ImVec2 corner(std::floor(ImGui::GetCursorScreenPos().x), std::floor(ImGui::GetCursorScreenPos().y));
            ImGui::PushID(i);
            if (ImGui::Selectable("##row", i == list.current(), ImGuiSelectableFlags_None, ImVec2(width, rowHeight)))
                pendingActions.push_back([&list, i] { list.choose(i); });
            ImGui::PopID();
            if (i == list.selected())   // the keyboard's row, framed
                draw->AddRect(ImVec2(corner.x + 1.0f, corner.y + 1.0f),
                              ImVec2(corner.x + width - 1.0f, corner.y + rowHeight - 1.0f), text, 0.0f, 0, 2.0f);
            const float x = corner.x + static_cast<float>(row.indent);
            const ImVec2 picture(x, corner.y + pad);
            const ImVec2 pictureEnd(x + pictureWidth, picture.y + rowHeight - 2.0f * pad);
            if (!row.mark.empty()) {
                // Grey would be barely legible on the current row's blue.
                const float markWidth = ImGui::CalcTextSize(row.mark.c_str()).x;
                draw->AddText(ImVec2(x - markWidth - gap, corner.y + pad), i == list.current() ? text : faint,
                              row.mark.c_str());
            }
            if (const LayerList::Picture* p = list.picture(i)) {
                // The picture's first row is its bottom one.
                draw->AddImage(reinterpret_cast<ImTextureID>(static_cast<std::uintptr_t>(p->texture)), picture,
                               ImVec2(picture.x + static_cast<float>(p->width), picture.y + static_cast<float>(p->height)),
                               ImVec2(0.0f, 1.0f), ImVec2(1.0f, 0.0f));
            } else {
                draw->AddRect(picture, pictureEnd, faint);   // still being made
            }
            draw->AddText(ImVec2(pictureEnd.x + gap, corner.y + (rowHeight - lineHeight) * 0.5f), text, row.label.c_str());
        }
    }
    clipper.End();
    ImGui::PopStyleVar();
    list.set_visible(first < end ? first : 0, first < end ? end : 0);
}

} // namespace ui
