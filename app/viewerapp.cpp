#include "app/viewerapp.h"

#include "app/viewerlayout.h"
#include "layers/layertypetable.h"
#include "ui/controls.h"
#include "ui/imguicontrols.h"

#include <GL/freeglut.h>
#include <GL/glx.h>

// The drag logic is written against GLUT's numbers without including GLUT.
static_assert(mousemodes::leftButton == GLUT_LEFT_BUTTON && mousemodes::middleButton == GLUT_MIDDLE_BUTTON &&
                  mousemodes::rightButton == GLUT_RIGHT_BUTTON,
              "GLUT button numbers");
static_assert(mousemodes::buttonDown == GLUT_DOWN && mousemodes::buttonUp == GLUT_UP, "GLUT button states");
static_assert(mousemodes::shiftBit == GLUT_ACTIVE_SHIFT && mousemodes::ctrlBit == GLUT_ACTIVE_CTRL &&
                  mousemodes::altBit == GLUT_ACTIVE_ALT,
              "GLUT modifier bits");

namespace {
constexpr int timerPeriodMs = 10;
}

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
    glutTimerFunc(timerPeriodMs, onTimer, 0);
    strips.set_glutMotionFunc(onMotion);
    glutDisplayFunc(onDisplay);
    glutCloseFunc(onClose);

    ui::ControlWindow* panelWindow = strips.create_subwindow(ui::Side::Right, viewerlayout::panelWidth);
    ui::ControlWindow* infoWindow = strips.create_subwindow(ui::Side::Bottom, viewerlayout::infoLineHeight);
    info = infoWindow->add_edittext("Info: ", -1, nullptr);
    info->set_read_only(true);

    // Everything the controller reaches outside itself, before the first
    // layer exists: textures, the file dialogs (owned by this window) and
    // the info line.
    controls.textureBackend = &textureBackend;
    fileChooser.setOwnerWindow(static_cast<unsigned long>(glXGetCurrentDrawable()));
    controls.fileChooser = &fileChooser;
    controls.setInfoField(info);

    controls.build(panelWindow);

    int x, y, width, height;
    strips.get_viewport_area(&x, &y, &width, &height);
    controls.setViewportSize(width, height);

    // The first picture is rendered off the loop like every other.
    controls.setBaseLayer(createLayer(0));

    glutMainLoop();
    return 0;
}

void ViewerApp::onMouse(int button, int state, int x, int y)
{
    ViewerApp* app = instance;
    if (!app) return;
    // Modifiers are read at the press only; GLUT answers inside this callback.
    const int modifiers = state == GLUT_DOWN ? glutGetModifiers() : 0;
    const char* text = mousemodes::applyButton(app->mouseMode, app->lastX, app->lastY, button, state, x, y, modifiers);
    app->controls.setDragText(text);
}

void ViewerApp::onMotion(int x, int y)
{
    ViewerApp* app = instance;
    if (!app) return;
    mousemodes::applyMotion(app->mouseMode, app->lastX, app->lastY, x, y, app->controls);
}

void ViewerApp::onTimer(int /*value*/)
{
    ViewerApp* app = instance;
    if (app && app->controls.updatePicture()) {
        glutSetWindow(app->windowId);
        glutPostRedisplay();
    }
    glutTimerFunc(timerPeriodMs, onTimer, 0);
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
    // rebuild the panel or open a modal file dialog.
    strips.runPendingActions();
}

void ViewerApp::onClose()
{
    if (ViewerApp* app = instance) app->controls.renderer.shutDown();
}

void ViewerApp::onReshape(int /*width*/, int /*height*/)
{
    ui::ImguiControls::master().auto_set_viewport();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_TEXTURE_2D);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
}
