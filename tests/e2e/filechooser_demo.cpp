// Stand-in for the viewer around its file dialogs: a GLUT window that, once
// shown, runs the dialogs named on the command line and prints each result,
// for a person or an xdotool script to drive.
//
//   filechooser_demo [--no-window] [--no-owner] [--inspect] ACTION...
//   ACTION: save | open | owner
//
// Prints "window 0x..." when its window is up, then per action one line
// "save: PATH", "open: PATH" (empty after a cancel) or "owner: 0x...".
//   --no-window  no GLUT window (as with no display at all)
//   --no-owner   do not tell the chooser its owner; it looks for one itself
//   --owner XID  give the chooser this owner instead of the GLUT window
//   --delay MS   wait this long after the window is up before the actions
//   --subwindow  give the window a GLUT subwindow, which is then current
//                and so handed to the chooser as its owner
//   --inspect    each dialog prints how it was set up and cancels itself
#include "persistence/dialogs/x11filedialogs.h"

#include "tests/e2e/dialogprobe.h"

#include <GL/freeglut.h>
#include <GL/glx.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> actions;
bool withOwner = true;
bool inspect = false;
unsigned long givenOwner = 0;
int delayMs = 300;
bool subwindow = false;
unsigned long currentDrawable = 0;

void runActions()
{
    X11FileDialogs chooser;
    if (withOwner) chooser.setOwnerWindow(givenOwner ? givenOwner : currentDrawable);
    for (const std::string& action : actions) {
        if (inspect && action != "owner") inspectNextFileDialog();
        if (action == "save") std::printf("save: %s\n", chooser.chooseSaveFile().c_str());
        else if (action == "open") std::printf("open: %s\n", chooser.chooseOpenFile().c_str());
        else if (action == "owner") std::printf("owner: 0x%lx\n", chooser.dialogOwnerWindow());
        else std::printf("unknown action %s\n", action.c_str());
        std::fflush(stdout);
    }
}

void draw()
{
    glClearColor(0.2f, 0.3f, 0.4f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glutSwapBuffers();
}

// Like the viewer's buttons, the dialogs run inside a GLUT callback, with
// the GLUT window's context current.
void startActions(int)
{
    currentDrawable = glXGetCurrentDrawable();
    runActions();
    glutLeaveMainLoop();
}

} // namespace

int main(int argc, char** argv)
{
    bool window = true;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--no-window")) window = false;
        else if (!std::strcmp(argv[i], "--no-owner")) withOwner = false;
        else if (!std::strcmp(argv[i], "--inspect")) inspect = true;
        else if (!std::strcmp(argv[i], "--subwindow")) subwindow = true;
        else if (!std::strcmp(argv[i], "--owner") && i + 1 < argc) givenOwner = std::strtoul(argv[++i], nullptr, 0);
        else if (!std::strcmp(argv[i], "--delay") && i + 1 < argc) delayMs = std::atoi(argv[++i]);
        else actions.push_back(argv[i]);
    }
    if (!window) {
        runActions();
        return 0;
    }
    glutInit(&argc, argv);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE);
    glutInitWindowSize(600, 500);
    const int mainWindow = glutCreateWindow("filechooser demo");
    glutDisplayFunc(draw);
    std::printf("window 0x%lx\n", static_cast<unsigned long>(glXGetCurrentDrawable()));
    if (subwindow) {
        glutCreateSubWindow(mainWindow, 400, 0, 200, 500);
        glutDisplayFunc(draw);
        std::printf("subwindow 0x%lx\n", static_cast<unsigned long>(glXGetCurrentDrawable()));
    }
    std::fflush(stdout);
    glutTimerFunc(delayMs, startActions, 0);
    glutMainLoop();
    return 0;
}
