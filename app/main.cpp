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
    XCloseDisplay(display);

    ViewerApp app;
    return app.run(0, nullptr);
}
