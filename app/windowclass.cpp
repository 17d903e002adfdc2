#include "app/windowclass.h"

#include <GL/glx.h>
#include <X11/Xutil.h>

namespace windowclass {

void labelCurrentWindow(const char* instance, const char* className)
{
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable window = glXGetCurrentDrawable();
    if (!display || window == None) return;

    // XClassHint's fields are not const, though Xlib only reads them.
    XClassHint hint;
    hint.res_name = const_cast<char*>(instance);
    hint.res_class = const_cast<char*>(className);
    XSetClassHint(display, window, &hint);
    XFlush(display);
}

} // namespace windowclass
