// The viewer's entry point. Command-line arguments are ignored: they never
// reach GLUT, and the program has no options.
#include "app/viewerapp.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int /*argc*/, char** /*argv*/)
{
    // Without a display GLUT would exit from inside its initialisation with
    // a terse message; say plainly what is missing instead.
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        const char* name = std::getenv("DISPLAY");
        std::fprintf(stderr, "patternlens: cannot open the display %s\n",
                     name && *name ? name : "(DISPLAY is not set)");
        return 1;
    }

    // The checking connection stays open until GLUT has its own: an X
    // server that resets when its last client leaves would otherwise reset
    // in between, and GLUT would find no display.
    ViewerApp app;
    app.whenConnected = [&display] {
        if (display) XCloseDisplay(display);
        display = nullptr;
    };
    return app.run(0, nullptr);
}
