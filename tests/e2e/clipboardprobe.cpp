// Another program on the display, as the clipboard tests need one:
//   clipboardprobe hold SECONDS       takes the CLIPBOARD and answers no
//                                     request for it, for SECONDS
//   clipboardprobe manager WINDOW OUT a clipboard manager: asks the viewer's
//                                     window WINDOW to close, and writes the
//                                     text it is handed (SAVE_TARGETS) to OUT
// Prints "ready" once it owns its selection. Exit 0 on success.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool nextEvent(Display* d, XEvent* e, std::chrono::steady_clock::time_point deadline)
{
    while (!XPending(d)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        struct timespec pause = {0, 10000000};
        nanosleep(&pause, nullptr);
    }
    XNextEvent(d, e);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return 2;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 2;
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
    const Atom manager = XInternAtom(d, "CLIPBOARD_MANAGER", False);
    const Atom saveTargets = XInternAtom(d, "SAVE_TARGETS", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    const Atom incr = XInternAtom(d, "INCR", False);
    const Atom kept = XInternAtom(d, "PROBE_KEPT", False);
    const std::string mode = argv[1];
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    XEvent e;

    if (mode == "hold") {
        XSetSelectionOwner(d, clipboard, w, CurrentTime);
        if (XGetSelectionOwner(d, clipboard) != w) return 1;
        std::puts("ready");
        std::fflush(stdout);
        deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[2]));
        while (nextEvent(d, &e, deadline)) {
        }   // requests are read and never answered
        return 0;
    }
    if (mode != "manager" || argc < 4) return 2;
    XSetSelectionOwner(d, manager, w, CurrentTime);
    if (XGetSelectionOwner(d, manager) != w) return 1;
    std::puts("ready");
    std::fflush(stdout);
    // The window manager's close request, as a close button sends it.
    const Window viewer = std::strtoul(argv[2], nullptr, 0);
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = viewer;
    close.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, viewer, False, NoEventMask, &close);
    XFlush(d);

    XSelectionRequestEvent request{};
    std::string text;
    bool asked = false;
    while (nextEvent(d, &e, deadline)) {
        if (e.type == SelectionRequest && e.xselectionrequest.selection == manager &&
            e.xselectionrequest.target == saveTargets) {
            request = e.xselectionrequest;
            asked = true;
            XConvertSelection(d, clipboard, utf8, kept, w, CurrentTime);
        } else if (e.type == SelectionNotify && asked && e.xselection.selection == clipboard) {
            if (e.xselection.property == None) return 1;
            Atom type;
            int format;
            unsigned long count, after;
            unsigned char* data = nullptr;
            XGetWindowProperty(d, w, kept, 0, LONG_MAX / 4, True, AnyPropertyType, &type, &format, &count, &after, &data);
            if (type == incr) return 1;   // the probe keeps small texts only
            text.assign(reinterpret_cast<const char*>(data), count);
            XFree(data);
            XSelectionEvent reply{};
            reply.type = SelectionNotify;
            reply.requestor = request.requestor;
            reply.selection = request.selection;
            reply.target = request.target;
            reply.property = request.property;
            reply.time = request.time;
            XSendEvent(d, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
            XFlush(d);
            std::FILE* out = std::fopen(argv[3], "wb");
            if (!out) return 1;
            std::fwrite(text.data(), 1, text.size(), out);
            std::fclose(out);
            return 0;
        }
    }
    return 1;
}
