#include "app/platform/x11window.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/Xutil.h>

#include <atomic>

namespace x11window {

namespace {

// Written by the event converter below, which runs inside Xlib while it
// reads from the server: it may call nothing of Xlib, so it only notes.
Display* display = nullptr;
Window mainWindow = None;
Atom wmProtocols = None;
Atom wmDeleteWindow = None;
std::atomic<bool> closeRequested{false};
void (*requestArrived)() = nullptr;
Bool (*convertCoreEvent)(Display*, XEvent*, xEvent*) = nullptr;

// Xlib turns each ClientMessage from the server into an XEvent here before
// queueing it; returning False drops it, so GLUT never sees the request.
Bool convertClientMessage(Display* d, XEvent* event, xEvent* wire)
{
    const Bool keep = convertCoreEvent(d, event, wire);
    if (keep && event->type == ClientMessage && event->xclient.window == mainWindow &&
        event->xclient.message_type == wmProtocols && event->xclient.format == 32 &&
        static_cast<Atom>(event->xclient.data.l[0]) == wmDeleteWindow) {
        closeRequested = true;
        if (requestArrived) requestArrived();
        return False;
    }
    return keep;
}

} // namespace

void interceptCloseRequests(unsigned long xid, void (*arrived)())
{
    if (display) return;
    requestArrived = arrived;
    display = glXGetCurrentDisplay();
    if (!display || !xid) return;
    mainWindow = xid;
    wmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
    wmDeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    // Events already read are converted: the hook sees only later ones.
    XSync(display, False);
    convertCoreEvent = XESetWireToEvent(display, ClientMessage, convertClientMessage);
}

bool takeCloseRequest()
{
    return closeRequested.exchange(false);
}

void setTitle(unsigned long xid, const std::string& title)
{
    Display* d = display ? display : glXGetCurrentDisplay();
    if (!d || !xid) return;
    const Window window = xid;
    // The old properties in the best encoding they allow (plain Latin-1
    // where it suffices), the EWMH ones in UTF-8, which managers prefer.
    char* list[] = {const_cast<char*>(title.c_str())};
    XTextProperty text;
    if (Xutf8TextListToTextProperty(d, list, 1, XStdICCTextStyle, &text) >= Success) {
        XSetWMName(d, window, &text);
        XSetWMIconName(d, window, &text);
        XFree(text.value);
    }
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    const auto* bytes = reinterpret_cast<const unsigned char*>(title.data());
    const int length = static_cast<int>(title.size());
    XChangeProperty(d, window, XInternAtom(d, "_NET_WM_NAME", False), utf8, 8, PropModeReplace, bytes, length);
    XChangeProperty(d, window, XInternAtom(d, "_NET_WM_ICON_NAME", False), utf8, 8, PropModeReplace, bytes, length);
    XFlush(d);
}

void setClass(unsigned long xid, const char* instance, const char* className)
{
    Display* d = display ? display : glXGetCurrentDisplay();
    if (!d || !xid) return;
    // XClassHint's fields are not const, though Xlib only reads them.
    XClassHint hint;
    hint.res_name = const_cast<char*>(instance);
    hint.res_class = const_cast<char*>(className);
    XSetClassHint(d, xid, &hint);
    XFlush(d);
}

void setMinimumSize(unsigned long xid, int width, int height)
{
    Display* d = display ? display : glXGetCurrentDisplay();
    if (!d || !xid) return;
    // GLUT's own hints (its position and size) stay; only the minimum is added.
    XSizeHints* hints = XAllocSizeHints();
    if (!hints) return;
    long supplied = 0;
    if (!XGetWMNormalHints(d, xid, hints, &supplied)) hints->flags = 0;
    hints->flags |= PMinSize;
    hints->min_width = width;
    hints->min_height = height;
    XSetWMNormalHints(d, xid, hints);
    XFree(hints);
    XFlush(d);
}

} // namespace x11window
