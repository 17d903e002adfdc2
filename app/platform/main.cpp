// The viewer's entry point. The command line is read here and never
// reaches GLUT: `patternlens [SCENE.xml]`, see app/commandline.h.
#include "app/commandline.h"
#include "app/platform/viewerapp.h"
#include "persistence/atomicfile.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    const commandline::Options options = commandline::parse(argc, argv);
    std::string out, err;
    const int status = commandline::answer(options, &out, &err);
    if (status >= 0) {
        std::fputs(out.c_str(), stdout);
        std::fputs(err.c_str(), stderr);
        return status;
    }

    // Without a display GLUT would exit from inside its initialisation with
    // a terse message; say plainly what is missing instead.
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        const char* name = std::getenv("DISPLAY");
        std::fprintf(stderr, "patternlens: cannot open the display %s\n",
                     name && *name ? name : "(DISPLAY is not set)");
        return 1;
    }

    // A save or export stopped by a signal leaves no temporary file where
    // unnamed files cannot be made.
    atomicfile::removeTemporariesOnSignals();

    // The checking connection stays open until GLUT has its own: an X
    // server that resets when its last client leaves would otherwise reset
    // in between, and GLUT would find no display.
    ViewerApp app;
    app.startupScene = options.scenePath;
    app.recoveryStart = options.recovery == commandline::Options::Recovery::Recover ? RecoveryKeeper::Start::recover
                        : options.recovery == commandline::Options::Recovery::Skip  ? RecoveryKeeper::Start::skip
                                                                                    : RecoveryKeeper::Start::ask;
    app.whenConnected = [&display] {
        if (display) XCloseDisplay(display);
        display = nullptr;
    };
    return app.run(0, nullptr);
}
