// The viewer's entry point. Command-line arguments are ignored: they never
// reach GLUT, and the program has no options.
#include "app/viewerapp.h"

int main(int /*argc*/, char** /*argv*/)
{
    ViewerApp app;
    return app.run(0, nullptr);
}
