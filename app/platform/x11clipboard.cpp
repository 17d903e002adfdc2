#include "app/platform/x11clipboard.h"

#include "persistence/scenelimits.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace {

// Errors on the clipboard's connection are expected (a requestor's window
// may be gone before its answer is written) and never fatal; the others go
// to the handler that was there before, GLUT's or Xlib's.
Display* clipboardDisplay = nullptr;
XErrorHandler previousHandler = nullptr;
int onXError(Display* display, XErrorEvent* error)
{
    if (display == clipboardDisplay) return 0;
    return previousHandler ? previousHandler(display, error) : 0;
}

// STRING is Latin-1: characters beyond it become '?', and back.
std::string utf8ToLatin1(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) {
            const unsigned code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            out += code < 0x100 ? static_cast<char>(code) : '?';
            ++i;
        } else if (c >= 0xC0) {
            out += '?';
            while (i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) ++i;
        }
    }
    return out;
}
std::string latin1ToUtf8(const std::string& text)
{
    std::string out;
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Answers in pieces under way at once.
constexpr std::size_t maxTransfers = 16;

// More than the reader takes is refused by it; the rest is not fetched.
constexpr std::size_t fetchLimit = scenelimits::maxSceneBytes + 1;

} // namespace

struct X11Clipboard::Link {
    Display* display = nullptr;
    Window window = 0;
    Atom clipboard = 0, targets = 0, utf8 = 0, text = 0, incr = 0, timestamp = 0, manager = 0, saveTargets = 0,
         property = 0, clock = 0;
    std::size_t chunk = 0;          // the most one property change carries
    Time ownedSince = CurrentTime;  // 0 while not owning
    bool claiming = false;          // waiting for the timestamp to claim with
    // An answer in pieces, to one requestor.
    struct Transfer {
        Window requestor;
        Atom property, type;
        std::string data;
        std::size_t sent = 0;
    };
    std::vector<Transfer> transfers;
    // The fetch in progress: 0 when none.
    unsigned fetching = 0;
    Atom fetchTarget = 0;
    bool incrReading = false;
    std::string incoming;
    // At the end: waiting for a clipboard manager.
    bool saving = false;
};

X11Clipboard::~X11Clipboard()
{
    shutDown();
}

bool X11Clipboard::start()
{
    if (link) return true;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        XCloseDisplay(display);
        return false;
    }
    wakeRead = fds[0];
    wakeWrite = fds[1];
    link = new Link;
    Link& l = *link;
    l.display = display;
    clipboardDisplay = display;
    previousHandler = XSetErrorHandler(onXError);
    // Never mapped: it only owns the selection and receives answers.
    l.window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, l.window, PropertyChangeMask);
    l.clipboard = XInternAtom(display, "CLIPBOARD", False);
    l.targets = XInternAtom(display, "TARGETS", False);
    l.utf8 = XInternAtom(display, "UTF8_STRING", False);
    l.text = XInternAtom(display, "TEXT", False);
    l.incr = XInternAtom(display, "INCR", False);
    l.timestamp = XInternAtom(display, "TIMESTAMP", False);
    l.manager = XInternAtom(display, "CLIPBOARD_MANAGER", False);
    l.saveTargets = XInternAtom(display, "SAVE_TARGETS", False);
    l.property = XInternAtom(display, "PATTERNLENS_SELECTION", False);
    l.clock = XInternAtom(display, "PATTERNLENS_TIME", False);
    const long maxRequest = std::max(XExtendedMaxRequestSize(display), XMaxRequestSize(display));
    l.chunk = std::min<std::size_t>(static_cast<std::size_t>(maxRequest) * 4 - 1024, std::size_t(1) << 18);
    XFlush(display);
    thread = std::thread([this] { run(); });
    return true;
}

void X11Clipboard::offer(const std::string& text)
{
    if (!link) return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        offered = text;
        offerWaiting = true;
    }
    const char byte = 1;
    (void)!write(wakeWrite, &byte, 1);
}

bool X11Clipboard::fetch(std::string* text, std::string* error)
{
    if (!link) {
        *error = "there is no clipboard without a display";
        return false;
    }
    std::unique_lock<std::mutex> lock(mutex);
    // The viewer's own text needs no round trip through the server.
    if (offerWaiting || owning) {
        *text = offerWaiting ? offered : held;
        return true;
    }
    const unsigned asked = ++fetchAsked;
    const char byte = 1;
    (void)!write(wakeWrite, &byte, 1);
    if (!answered.wait_for(lock, std::chrono::milliseconds(pasteTimeoutMs), [&] { return fetchAnswered >= asked; })) {
        *error = "the clipboard's owner did not answer within " + std::to_string(pasteTimeoutMs / 1000) + " seconds";
        return false;
    }
    if (!fetchOk) {
        *error = fetchError;
        return false;
    }
    *text = std::move(fetched);
    return true;
}

void X11Clipboard::shutDown()
{
    if (!link) return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        quitting = true;
    }
    const char byte = 1;
    (void)!write(wakeWrite, &byte, 1);
    if (thread.joinable()) thread.join();
    XDestroyWindow(link->display, link->window);
    XCloseDisplay(link->display);
    clipboardDisplay = nullptr;
    delete link;
    link = nullptr;
    close(wakeRead);
    close(wakeWrite);
}

void X11Clipboard::run()
{
    Link& l = *link;
    Display* const d = l.display;

    auto answerFetch = [&](bool ok, std::string text, const std::string& error) {
        std::lock_guard<std::mutex> lock(mutex);
        fetchAnswered = l.fetching;
        fetchOk = ok;
        fetched = std::move(text);
        fetchError = error;
        l.fetching = 0;
        l.incrReading = false;
        l.incoming.clear();
        answered.notify_all();
    };
    // The fetched text as UTF-8.
    auto fetchedText = [&]() { return l.fetchTarget == XA_STRING ? latin1ToUtf8(l.incoming) : l.incoming; };
    // Reads and deletes the property an answer came in; false when none.
    auto readProperty = [&](Atom* type, std::string* data) {
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* bytes = nullptr;
        if (XGetWindowProperty(d, l.window, l.property, 0, LONG_MAX / 4, True, AnyPropertyType, type, &format, &count,
                               &after, &bytes) != Success)
            return false;
        const std::size_t size = count * static_cast<std::size_t>(format == 32 ? sizeof(long) : format / 8);
        if (bytes) data->assign(reinterpret_cast<const char*>(bytes), size);
        else data->clear();
        if (bytes) XFree(bytes);
        return *type != None;
    };
    auto sendChunk = [&](Link::Transfer& t) {
        const std::size_t n = std::min(l.chunk, t.data.size() - t.sent);
        XChangeProperty(d, t.requestor, t.property, t.type, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(t.data.data() + t.sent), static_cast<int>(n));
        t.sent += n;
        return n;
    };
    auto answerRequest = [&](const XSelectionRequestEvent& r) {
        XSelectionEvent reply{};
        reply.type = SelectionNotify;
        reply.display = d;
        reply.requestor = r.requestor;
        reply.selection = r.selection;
        reply.target = r.target;
        reply.time = r.time;
        reply.property = None;
        const Atom property = r.property != None ? r.property : r.target;   // an obsolete requestor
        std::string text;
        bool own = false;
        {
            std::lock_guard<std::mutex> lock(mutex);
            own = owning;
            text = held;
        }
        if (r.selection == l.clipboard && own && l.ownedSince != CurrentTime &&
            (r.time == CurrentTime || r.time >= l.ownedSince)) {
            if (r.target == l.targets) {
                const Atom list[] = {l.targets, l.utf8, XA_STRING, l.text, l.timestamp, l.saveTargets};
                XChangeProperty(d, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(list), static_cast<int>(sizeof list / sizeof *list));
                reply.property = property;
            } else if (r.target == l.timestamp) {
                const long time = static_cast<long>(l.ownedSince);
                XChangeProperty(d, r.requestor, property, XA_INTEGER, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(&time), 1);
                reply.property = property;
            } else if (r.target == l.utf8 || r.target == XA_STRING || r.target == l.text) {
                Link::Transfer t{r.requestor, property, r.target == XA_STRING ? XA_STRING : l.utf8,
                                 r.target == XA_STRING ? utf8ToLatin1(text) : std::move(text), 0};
                if (t.data.size() <= l.chunk) {
                    sendChunk(t);
                } else {
                    // In pieces: each one once the requestor has deleted the last.
                    XSelectInput(d, r.requestor, PropertyChangeMask);
                    const long size = static_cast<long>(t.data.size());
                    XChangeProperty(d, r.requestor, property, l.incr, 32, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(&size), 1);
                    // A requestor that went away never asks for its next
                    // piece: the oldest unfinished answers give way.
                    if (l.transfers.size() >= maxTransfers) l.transfers.erase(l.transfers.begin());
                    l.transfers.push_back(std::move(t));
                }
                reply.property = property;
            } else if (r.target == l.saveTargets) {
                reply.property = property;   // nothing to convert: a manager asks for the targets it keeps
                XChangeProperty(d, r.requestor, property, XInternAtom(d, "NULL", False), 32, PropModeReplace, nullptr, 0);
            }
        }
        XSendEvent(d, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    };
    auto handle = [&](XEvent& e) {
        switch (e.type) {
        case SelectionRequest: answerRequest(e.xselectionrequest); break;
        case SelectionClear:
            if (e.xselectionclear.selection == l.clipboard) {
                l.ownedSince = CurrentTime;
                std::lock_guard<std::mutex> lock(mutex);
                owning = false;
                held.clear();
            }
            break;
        case SelectionNotify: {
            const XSelectionEvent& s = e.xselection;
            if (s.selection == l.manager) {
                l.saving = false;   // the manager has taken the text, or refused it
                break;
            }
            if (s.selection != l.clipboard || !l.fetching || s.target != l.fetchTarget) break;
            if (s.property == None) {
                if (l.fetchTarget == l.utf8) {
                    // An owner of the old kind: Latin-1.
                    l.fetchTarget = XA_STRING;
                    XConvertSelection(d, l.clipboard, XA_STRING, l.property, l.window, CurrentTime);
                } else {
                    answerFetch(false, {}, "the clipboard holds no text");
                }
                break;
            }
            Atom type = None;
            std::string data;
            if (!readProperty(&type, &data)) {
                answerFetch(false, {}, "the clipboard's owner gave no text");
            } else if (type == l.incr) {
                l.incrReading = true;   // the pieces follow as the property is deleted
                l.incoming.clear();
            } else {
                l.incoming = std::move(data);
                answerFetch(true, fetchedText(), {});
            }
            break;
        }
        case PropertyNotify: {
            const XPropertyEvent& p = e.xproperty;
            if (p.window == l.window && p.atom == l.clock && l.claiming) {
                // The server's time for claiming the clipboard.
                l.claiming = false;
                XSetSelectionOwner(d, l.clipboard, l.window, p.time);
                const bool got = XGetSelectionOwner(d, l.clipboard) == l.window;
                l.ownedSince = got ? p.time : CurrentTime;
                std::lock_guard<std::mutex> lock(mutex);
                owning = got;
                if (!got) held.clear();
            } else if (p.window == l.window && p.atom == l.property && p.state == PropertyNewValue && l.incrReading) {
                Atom type = None;
                std::string data;
                if (!readProperty(&type, &data)) break;
                if (data.empty()) {
                    answerFetch(true, fetchedText(), {});
                } else {
                    l.incoming += data;
                    // Beyond what the reader takes: enough for it to refuse.
                    if (l.incoming.size() >= fetchLimit) answerFetch(true, fetchedText(), {});
                }
            } else if (p.state == PropertyDelete) {
                for (auto t = l.transfers.begin(); t != l.transfers.end(); ++t) {
                    if (t->requestor != p.window || t->property != p.atom) continue;
                    // The last piece is an empty one.
                    if (sendChunk(*t) == 0) l.transfers.erase(t);
                    break;
                }
            }
            break;
        }
        default: break;
        }
    };

    const int xfd = ConnectionNumber(d);
    bool ending = false;
    auto deadline = std::chrono::steady_clock::now();
    for (;;) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            handle(e);
        }
        if (ending && (!l.saving || std::chrono::steady_clock::now() >= deadline)) break;
        pollfd fds[2] = {{xfd, POLLIN, 0}, {wakeRead, POLLIN, 0}};
        int timeout = -1;   // blocks until the server or the main thread has something
        if (ending)
            timeout = static_cast<int>(std::max<long long>(
                1, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count()));
        poll(fds, 2, timeout);
        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (read(wakeRead, drain, sizeof drain) > 0) {
            }
        }
        std::unique_lock<std::mutex> lock(mutex);
        if (offerWaiting) {
            offerWaiting = false;
            held = std::move(offered);
            owning = true;   // for fetches from now on; the server confirms below
            lock.unlock();
            // A timestamp to claim with: the server's, from a property change.
            l.claiming = true;
            XChangeProperty(d, l.window, l.clock, XA_INTEGER, 32, PropModeAppend, nullptr, 0);
            lock.lock();
        }
        if (fetchAsked != fetchAnswered && l.fetching != fetchAsked) {
            l.fetching = fetchAsked;
            lock.unlock();
            if (XGetSelectionOwner(d, l.clipboard) == None) {
                answerFetch(false, {}, "the clipboard is empty");
            } else {
                l.fetchTarget = l.utf8;
                l.incrReading = false;
                l.incoming.clear();
                XConvertSelection(d, l.clipboard, l.utf8, l.property, l.window, CurrentTime);
            }
            lock.lock();
        }
        if (quitting && !ending) {
            ending = true;
            const bool own = owning && l.ownedSince != CurrentTime;
            lock.unlock();
            // A clipboard manager keeps the text once the viewer is gone.
            if (own && XGetSelectionOwner(d, l.manager) != None) {
                l.saving = true;
                deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(saveTimeoutMs);
                XConvertSelection(d, l.manager, l.saveTargets, l.property, l.window, l.ownedSince);
            }
            lock.lock();
        }
    }
}
