// Another program on the clipboard, for the clipboard tests. Prints "ready"
// once it owns its selection; exit 0 on success.
//   clipboardprobe hold SECONDS        owns the CLIPBOARD, answers nothing
//   clipboardprobe manager WINDOW OUT  a clipboard manager: sends WINDOW a
//                                      close request and writes the text it
//                                      is handed (SAVE_TARGETS) to OUT
#include <X11/Xlib.h>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    Display* d = argc >= 3 ? XOpenDisplay(nullptr) : nullptr;
    if (!d) return 2;
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    auto atom = [d](const char* name) { return XInternAtom(d, name, False); };
    const std::string mode = argv[1];
    const bool hold = mode == "hold";
    if (!hold && (mode != "manager" || argc < 4)) return 2;
    const Atom owned = atom(hold ? "CLIPBOARD" : "CLIPBOARD_MANAGER");
    XSetSelectionOwner(d, owned, w, CurrentTime);
    if (XGetSelectionOwner(d, owned) != w) return 1;
    std::puts("ready");
    std::fflush(stdout);
    if (!hold) {   // the close button's request
        XEvent close{};
        close.xclient = {ClientMessage, 0, False, d, std::strtoul(argv[2], nullptr, 0), atom("WM_PROTOCOLS"), 32, {}};
        close.xclient.data.l[0] = static_cast<long>(atom("WM_DELETE_WINDOW"));
        XSendEvent(d, close.xclient.window, False, NoEventMask, &close);
    }
    XFlush(d);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(hold ? std::atoi(argv[2]) : 10);
    XSelectionRequestEvent request{};
    while (std::chrono::steady_clock::now() < end) {
        if (!XPending(d)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        XEvent e;
        XNextEvent(d, &e);   // holding: requests are read and never answered
        if (hold) continue;
        if (e.type == SelectionRequest && e.xselectionrequest.target == atom("SAVE_TARGETS")) {
            request = e.xselectionrequest;
            XConvertSelection(d, atom("CLIPBOARD"), atom("UTF8_STRING"), atom("PROBE_KEPT"), w, CurrentTime);
        } else if (e.type == SelectionNotify && request.requestor && e.xselection.property != None) {
            Atom type;
            int format;
            unsigned long count, after;
            unsigned char* data = nullptr;
            XGetWindowProperty(d, w, atom("PROBE_KEPT"), 0, LONG_MAX / 4, True, AnyPropertyType, &type, &format, &count,
                               &after, &data);
            std::FILE* out = std::fopen(argv[3], "wb");
            if (!out || type != atom("UTF8_STRING")) return 1;   // small texts only: no INCR
            std::fwrite(data, 1, count, out);
            std::fclose(out);
            XEvent reply{};
            reply.xselection = {SelectionNotify, 0, False, d, request.requestor, request.selection, request.target,
                                request.property, request.time};
            XSendEvent(d, request.requestor, False, NoEventMask, &reply);
            XFlush(d);
            return 0;
        }
    }
    return hold ? 0 : 1;
}
