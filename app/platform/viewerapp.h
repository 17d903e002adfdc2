#pragma once
// The application shell: the one GLUT window with its GL state, the control
// strips, the first layer, and the GLUT callbacks that turn mouse drags in
// the drawing area into pan, zoom and parameter changes, rebuild the texture
// on the 10 ms timer when something changed, and draw it. The timer runs
// only while something is pending; an idle viewer sleeps until an event.
#include "app/platform/gltexturebackend.h"
#include "app/export/imageexport.h"
#include "app/layercontrols.h"
#include "app/mousemodes.h"
#include "app/recovery/recoverykeeper.h"
#include "app/platform/x11clipboard.h"
#include "persistence/dialogs/x11filedialogs.h"
#include "app/platform/gtkrecoveryquestion.h"
#include "app/platform/gtkconfirmation.h"
#include "app/platform/gtkunsavedchangesquestion.h"
#include "ui/imgui/imguicontrols.h"

#include <chrono>
#include <string>

#include <functional>

namespace ui {
class EditText;
}

class ViewerApp {
public:
    // GLUT callbacks carry no context: they reach the application here.
    static ViewerApp* instance;

    ViewerApp();
    ~ViewerApp();
    ViewerApp(const ViewerApp&) = delete;
    ViewerApp& operator=(const ViewerApp&) = delete;

    // Start-up, then the GLUT main loop; 0 if the loop ever returns.
    int run(int argc, char** argv);
    // Runs once GLUT holds its own connection to the display, before the
    // main loop: where the entry point lets go of the connection it checked
    // the display with.
    std::function<void()> whenConnected;

    static void onMouse(int button, int state, int x, int y);
    static void onMotion(int x, int y);
    static void onTimer(int value);
    // Arms the tick unless it is armed: every event that may give it work
    // calls this, and the tick re-arms itself while work is pending.
    static void wakeTick();
    static void onDisplay();
    static void onReshape(int width, int height);
    // Keyboard shortcuts, wherever the pointer is: load, save, export, undo
    // and redo. True when the key was one.
    static bool onShortcut(unsigned char key, int modifiers);
    // Page Up and Page Down step the selected variable. A held key repeats
    // as releases and presses that come together: the presses make one
    // undo step, closed once a release is not followed by a press.
    static bool onSpecialKey(int key, bool down);
    // Arrow keys, Home, End and Return with the pointer over the column:
    // they walk its rows.
    static bool onColumnKey(ui::ImguiControls::ColumnKey key);
    // The pointer over the drawing area without a button, or (-1, -1) once
    // it has left: the value readout.
    static void onPassiveMotion(int x, int y);
    // The window is closing and GLUT will end the process: no render may
    // run on while the process tears down.
    static void onClose();

private:
    // Declared before the controller so that they outlive it: the
    // controller holds them, and destroying it deletes the picture's texture
    // through the backend.
    GlTextureBackend textureBackend;
    X11FileDialogs fileChooser;
    GtkUnsavedChangesQuestion closeQuestion;
    X11Clipboard clipboard;
    GtkConfirmation confirmation;
    // Once per tick: the title follows the composition's file and unsaved
    // changes, and a close request from the window manager is answered.
    void updateTitle();
    bool tickPending() const;
    void answerCloseRequest();
    // Cancels the picture's render and the previews; nothing of them runs
    // on while the process ends.
    void endBackgroundWork();
    void endVariableStepsAfterRelease();
    int lastPageKey = 0;        // the page key last pressed
    bool pageKeyHeld = false;   // its press was taken and it is not released
    std::chrono::steady_clock::time_point pageReleasedAt;   // its release, while the step is open
    bool pageReleased = false;
    unsigned long mainXWindow = 0;
    std::string shownTitle;
    imageexport::BackgroundExporter imageExporter;
    GtkRecoveryQuestion recoveryQuestion;
    // What comes after the window is up: the question about recovery copies
    // (once the window is on screen behind it), then the scene named on the
    // command line unless a copy was recovered.
    void startUp();

public:
    int windowId = 0;
    bool tickArmed = false;   // a GLUT timer for onTimer is set
    MouseMode mouseMode = MouseMode::None;
    int lastX = 0;
    int lastY = 0;
    LayerControls controls;
    ui::EditText* info = nullptr;   // the info line; owned by its control strip
    std::string startupScene;       // loaded at start-up when not empty
    // Recovery copies of unsaved work: kept while there are unsaved changes,
    // offered at start as recoveryStart says.
    RecoveryKeeper recovery;
    RecoveryKeeper::Start recoveryStart = RecoveryKeeper::Start::ask;
};
