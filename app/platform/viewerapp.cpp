#include "app/platform/viewerapp.h"

#include "app/column/layertree.h"
#include "app/column/previewsize.h"
#include "app/viewerlayout.h"
#include "app/shortcuts.h"
#include "app/drawingarearesize.h"
#include "app/picture/wheelzoom.h"
#include "app/platform/x11window.h"
#include "layers/layertypetable.h"
#include "ui/controls.h"
#include "ui/imgui/imguicontrols.h"

#include <cstdio>

#include <GL/freeglut.h>
#include <imgui.h>
#include <GL/glx.h>

// The drag logic is written against GLUT's numbers without including GLUT.
static_assert(mousemodes::leftButton == GLUT_LEFT_BUTTON && mousemodes::middleButton == GLUT_MIDDLE_BUTTON &&
                  mousemodes::rightButton == GLUT_RIGHT_BUTTON,
              "GLUT button numbers");
static_assert(mousemodes::buttonDown == GLUT_DOWN && mousemodes::buttonUp == GLUT_UP, "GLUT button states");
static_assert(mousemodes::shiftBit == GLUT_ACTIVE_SHIFT && mousemodes::ctrlBit == GLUT_ACTIVE_CTRL &&
                  mousemodes::altBit == GLUT_ACTIVE_ALT,
              "GLUT modifier bits");
static_assert(shortcuts::pageUpKey == GLUT_KEY_PAGE_UP && shortcuts::pageDownKey == GLUT_KEY_PAGE_DOWN,
              "GLUT special key numbers");

namespace {
constexpr int timerPeriodMs = 10;

// MouseMode::None cannot be named after the GLX header: X11 defines None.
bool noDrag(MouseMode mode)
{
    return static_cast<int>(mode) == 0;
}
} // namespace

ViewerApp* ViewerApp::instance = nullptr;

ViewerApp::ViewerApp()
{
    instance = this;
}

ViewerApp::~ViewerApp()
{
    instance = nullptr;
}

int ViewerApp::run(int argc, char** argv)
{
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
    glutInitWindowSize(viewerlayout::windowWidth, viewerlayout::windowHeight);
    windowId = glutCreateWindow("Patternlens v1.75");
    if (whenConnected) whenConnected();
    // The names the desktop entry is found by (patternlens.desktop).
    x11window::setClass(static_cast<unsigned long>(glXGetCurrentDrawable()), "patternlens", "Patternlens");
    shownTitle = "Patternlens v1.75";
    // Leaving the main loop returns from it, so the application ends the way
    // it started, through its destructors.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    // Over the black background this leaves the texture's grey as it is,
    // whether or not the framebuffer stores alpha.
    glBlendFunc(GL_SRC_ALPHA, GL_DST_ALPHA);
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    // Mouse, motion and reshape pass through the control strips, which keep
    // what happens over them and hand the rest on.
    ui::ImguiControls& strips = ui::ImguiControls::master();
    strips.init();
    strips.set_glutMouseFunc(onMouse);
    strips.set_glutReshapeFunc(onReshape);
    wakeTick();
    strips.set_glutMotionFunc(onMotion);
    glutDisplayFunc(onDisplay);
    strips.set_shortcutFunc(onShortcut);
    strips.set_specialKeyFunc(onSpecialKey);
    strips.set_columnKeyFunc(onColumnKey);
    strips.set_glutPassiveMotionFunc(onPassiveMotion);
    glutCloseFunc(onClose);

    ui::ControlWindow* panelWindow = strips.create_subwindow(ui::Side::Right, viewerlayout::panelWidth);
    ui::ControlWindow* infoWindow = strips.create_subwindow(ui::Side::Bottom, viewerlayout::infoLineHeight);
    info = infoWindow->add_edittext("Info: ", -1, nullptr);
    info->set_read_only(true);
    // The layer tree: no width, so no column, until it is opened.
    ui::ControlWindow* treeWindow = strips.create_subwindow(ui::Side::Column, 0);

    // Everything the controller reaches outside itself, before the first
    // layer exists: textures, the file dialogs (owned by this window) and
    // the info line.
    controls.textureBackend = &textureBackend;
    fileChooser.setOwnerWindow(static_cast<unsigned long>(glXGetCurrentDrawable()));
    controls.fileChooser = &fileChooser;
    controls.exporter.imageExporter = &imageExporter;
    controls.infoLine.setField(info);
    // Closing the window asks first when there are unsaved changes.
    mainXWindow = static_cast<unsigned long>(glXGetCurrentDrawable());
    x11window::interceptCloseRequests(mainXWindow, wakeTick);
    closeQuestion.setOwnerWindow(mainXWindow);
    controls.history.closeQuestion = &closeQuestion;
    recoveryQuestion.setOwnerWindow(mainXWindow);
    // Copy and paste, of layers and in the panel's text fields, go through
    // the desktop's clipboard.
    if (clipboard.start()) {
        controls.clipboardCommands.clipboard = &clipboard;
        ImGuiIO& io = ImGui::GetIO();
        io.ClipboardUserData = &clipboard;
        io.SetClipboardTextFn = [](void* c, const char* text) { static_cast<Clipboard*>(c)->offer(text); };
        io.GetClipboardTextFn = [](void* c) -> const char* {
            static std::string text;   // ImGui copies it before the next call
            std::string error;
            if (!static_cast<Clipboard*>(c)->fetch(&text, &error)) text.clear();
            return text.c_str();
        };
    }
    confirmation.setOwnerWindow(mainXWindow);
    controls.exporter.confirmation = &confirmation;

    controls.build(panelWindow);
    controls.column.build(*treeWindow);
    controls.column.showColumn = [](bool open) {
        ui::ImguiControls& m = ui::ImguiControls::master();
        const int indentAndPreview = layertree::indent(layertree::indentLevels) + previewsize::width;
        // Narrowest: a preview at the deepest indentation and the start of
        // its label. A narrower window keeps the drawing area at its
        // start-up width while the column can give way.
        m.show_column(open ? m.tree_column_width(indentAndPreview, layertree::labelCharacters) : 0,
                      m.tree_column_width(indentAndPreview, layertree::narrowestLabelCharacters),
                      viewerlayout::drawingAreaWidth);
    };
    strips.columnClosed = [] {
        if (ViewerApp* app = instance) app->controls.column.closed();
    };
    // Never narrower than the panel beside a drawing area, nor lower than
    // the info line below one.
    x11window::setMinimumSize(mainXWindow, strips.minimum_width(), strips.minimum_height());

    int x, y, width, height;
    strips.get_viewport_area(&x, &y, &width, &height);
    controls.setViewportSize(width, height);

    // The first picture is rendered off the loop like every other.
    controls.setBaseLayer(createLayer(0));
    // Copies of unsaved work left by viewers that are gone are offered once
    // the window is on screen; without any, the start is as it always was.
    if (recovery.prepare(controls, recoveryStart)) {
        if (recoveryStart == RecoveryKeeper::Start::ask) strips.post([this] { startUp(); });
        else startUp();
    } else {
        if (recoveryStart == RecoveryKeeper::Start::recover)
            std::fputs("patternlens: no recovery copy to open; starting as usual\n", stderr);
        // A scene named on the command line replaces the default layer as a
        // load does; one that cannot be read leaves it and says why.
        if (!startupScene.empty()) controls.openSceneFile(startupScene, /*asUndoStep=*/false);
    }

    glutMainLoop();
    return 0;
}

void ViewerApp::startUp()
{
    // The question comes first; the scene opens when nothing was recovered.
    const bool recovered = recovery.resolve(controls, &recoveryQuestion);
    if (!recovered && !startupScene.empty()) controls.openSceneFile(startupScene, /*asUndoStep=*/false);
    wakeTick();
}

void ViewerApp::onMouse(int button, int state, int x, int y)
{
    ViewerApp* app = instance;
    if (!app) return;
    wakeTick();
    // Modifiers are read at the press only; GLUT answers inside this callback.
    const int modifiers = state == GLUT_DOWN ? glutGetModifiers() : 0;
    const MouseMode before = app->mouseMode;
    wheelzoom::apply(button, state, x, y, app->controls);
    const char* text = mousemodes::applyButton(app->mouseMode, app->lastX, app->lastY, button, state, x, y, modifiers);
    app->controls.history.dragModeChanged(before, app->mouseMode);   // a whole drag is one undo step
    app->controls.infoLine.setDragText(text);
    // A drag owns the line; the readout comes back with the next move after it.
    if (!noDrag(app->mouseMode)) app->controls.pointer.clear();
    // A wheel notch changed what lies under the pointer: the readout follows,
    // even where the pointer has not moved since the last outcome.
    if (wheelzoom::dragPixels(button) != 0 && noDrag(app->mouseMode)) {
        app->controls.infoLine.coversPointer = false;
        app->controls.pointer.show(x, y);
    }
}

void ViewerApp::onPassiveMotion(int x, int y)
{
    ViewerApp* app = instance;
    if (!app || !noDrag(app->mouseMode)) return;
    wakeTick();
    if (x < 0) app->controls.pointer.clear();
    else app->controls.pointer.show(x, y);
}

void ViewerApp::onMotion(int x, int y)
{
    ViewerApp* app = instance;
    if (!app) return;
    wakeTick();
    mousemodes::applyMotion(app->mouseMode, app->lastX, app->lastY, x, y, app->controls);
}

void ViewerApp::wakeTick()
{
    ViewerApp* app = instance;
    if (!app || app->tickArmed) return;
    app->tickArmed = true;
    glutTimerFunc(timerPeriodMs, onTimer, 0);
}

bool ViewerApp::tickPending() const
{
    return controls.tickPending() || !noDrag(mouseMode) || pageReleased || recovery.pending();
}

bool ViewerApp::onSpecialKey(int key, bool down)
{
    ViewerApp* app = instance;
    if (!app) return false;
    if (!down) {
        if (!app->pageKeyHeld || key != app->lastPageKey) return false;
        app->pageKeyHeld = false;
        app->pageReleased = true;
        app->pageReleasedAt = std::chrono::steady_clock::now();
        wakeTick();
        return true;
    }
    const int step = shortcuts::pageStep(key, glutGetModifiers());
    if (step == 0) return false;
    // The other key: a step of its own.
    if (key != app->lastPageKey) app->controls.variableSteps.end();
    app->lastPageKey = key;
    app->pageKeyHeld = true;
    app->pageReleased = false;
    wakeTick();
    app->controls.variableSteps.step(step);
    return true;
}

void ViewerApp::endVariableStepsAfterRelease()
{
    // A repeat's press comes in the same batch of events as its release;
    // a pause this long is the key let go.
    constexpr auto repeatGap = std::chrono::milliseconds(30);
    if (!pageReleased || std::chrono::steady_clock::now() - pageReleasedAt < repeatGap) return;
    pageReleased = false;
    controls.variableSteps.end();
}

void ViewerApp::onTimer(int /*value*/)
{
    ViewerApp* app = instance;
    if (!app) return;
    app->tickArmed = false;
    app->endVariableStepsAfterRelease();
    // The recovery copy: a snapshot when one falls due, a failure told once.
    const bool recoveryTold = app->recovery.tick(app->controls);
    if (app->controls.tick() | app->controls.exporter.tick() | recoveryTold) {
        glutSetWindow(app->windowId);
        glutPostRedisplay();
    }
    app->updateTitle();
    app->answerCloseRequest();
    if (app->tickPending()) wakeTick();
}

void ViewerApp::updateTitle()
{
    const std::string title = controls.history.windowTitle();
    if (title == shownTitle) return;
    shownTitle = title;
    x11window::setTitle(mainXWindow, title);
}

void ViewerApp::answerCloseRequest()
{
    if (!x11window::takeCloseRequest()) return;
    if (!controls.history.confirmClose()) return;
    endBackgroundWork();
    // A clean exit: saved or discarded, nothing is left to recover.
    recovery.cleanExit();
    // The layers go while their textures' GL context still exists.
    glutSetWindow(windowId);
    controls.clearLayers();
    clipboard.shutDown();   // a clipboard manager takes the text now, if one runs
    glutLeaveMainLoop();
}

void ViewerApp::onDisplay()
{
    ViewerApp* app = instance;
    if (!app) return;
    glClear(GL_COLOR_BUFFER_BIT | GL_ACCUM_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    app->controls.drawCurrentLayer();
    ui::ImguiControls& strips = ui::ImguiControls::master();
    strips.render();
    glutSwapBuffers();
    // Control callbacks run only now, outside the frame: a command may
    // rebuild the panel or open a modal file dialog. What they did is the
    // tick's to show.
    strips.runPendingActions();
    wakeTick();
}

void ViewerApp::endBackgroundWork()
{
    // The previews' thread first: of the lowest priority, it is the one
    // that needs longest to stop while the processors are busy.
    controls.column.tree.previews.shutDown();
    controls.picture.renderer.shutDown();
}

void ViewerApp::onClose()
{
    if (ViewerApp* app = instance) {
        app->endBackgroundWork();
        app->clipboard.shutDown();
    }
}

void ViewerApp::onReshape(int /*width*/, int /*height*/)
{
    ui::ImguiControls::master().auto_set_viewport();
    wakeTick();
    // The layers follow the drawing area: the same scale, more or less of
    // the plane, drawn at the next tick.
    if (ViewerApp* app = instance) {
        int x, y, width, height;
        ui::ImguiControls::master().get_viewport_area(&x, &y, &width, &height);
        viewresize::resizeDrawingArea(app->controls, width, height);
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_TEXTURE_2D);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
}

bool ViewerApp::onShortcut(unsigned char key, int modifiers)
{
    ViewerApp* app = instance;
    if (!app) return false;
    wakeTick();
    LayerControls* c = &app->controls;
    std::function<void()> command;
    switch (shortcuts::commandFor(key, modifiers)) {
    case shortcuts::Command::Load: command = [c] { c->onLoadFromXml(); }; break;
    case shortcuts::Command::Save: command = [c] { c->saveScene(/*ask=*/false); }; break;
    case shortcuts::Command::SaveAs: command = [c] { c->onSaveToXml(); }; break;
    case shortcuts::Command::Export: command = [c] { c->exporter.onExport(); }; break;
    case shortcuts::Command::Undo: command = [c] { c->history.onUndo(); }; break;
    case shortcuts::Command::Redo: command = [c] { c->history.onRedo(); }; break;
    case shortcuts::Command::Layers: command = [c] { c->column.onLayers(); }; break;
    case shortcuts::Command::TilePreview: command = [c] { c->picture.onTilePreview(); }; break;
    case shortcuts::Command::NewSeed: command = [c] { c->seeds.onNewSeed(); }; break;
    case shortcuts::Command::Copy: command = [c] { c->clipboardCommands.onCopy(); }; break;
    case shortcuts::Command::Cut: command = [c] { c->clipboardCommands.onCut(); }; break;
    case shortcuts::Command::Paste: command = [c] { c->clipboardCommands.onPaste(); }; break;
    case shortcuts::Command::PasteComposition: command = [c] { c->clipboardCommands.onPasteComposition(); }; break;
    case shortcuts::Command::NoCommand: return false;
    }
    // Run like a button's callback, after the frame: a command may open a
    // modal file dialog or rebuild the panel.
    ui::ImguiControls::master().post(std::move(command));
    return true;
}

bool ViewerApp::onColumnKey(ui::ImguiControls::ColumnKey key)
{
    ViewerApp* app = instance;
    if (!app || !app->controls.column.isOpen()) return false;
    wakeTick();
    using Key = ui::ImguiControls::ColumnKey;
    LayerControls* controls = &app->controls;
    if (key == Key::Return) {
        // A new current layer, or an example's question: after the frame.
        ui::ImguiControls::master().post([controls] { controls->column.onReturn(); });
        return true;
    }
    const layertree::Move move = key == Key::Up     ? layertree::Move::Up
                                 : key == Key::Down ? layertree::Move::Down
                                 : key == Key::Left ? layertree::Move::Left
                                 : key == Key::Right ? layertree::Move::Right
                                 : key == Key::Home ? layertree::Move::Home
                                                    : layertree::Move::End;
    controls->column.onKey(move);
    return true;
}
