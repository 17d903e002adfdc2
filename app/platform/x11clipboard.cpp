#include "app/platform/x11clipboard.h"

#include "app/clipboardtext.h"
#include "persistence/scenelimits.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
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

// Answers in pieces under way at once.
constexpr std::size_t maxTransfers = 16;

// More than the reader takes is refused by it; the rest is not fetched.
constexpr std::size_t fetchLimit = scenelimits::maxSceneBytes + 1;

} // namespace

struct X11Clipboard::Link {
    explicit Link(X11Clipboard& shared) : shared(shared) {}

    // The thread: the server's events and the main thread's requests, until
    // the end, which may wait a while for a clipboard manager.
    void run(int wakeRead);

    // --- The server's events ---
    void handle(XEvent& e);
    // Another program asks for the clipboard's content.
    void answerRequest(const XSelectionRequestEvent& r);
    // The content as the target asked for, into the requestor's property
    // into; false when the viewer cannot give it.
    bool convert(const XSelectionRequestEvent& r, Atom into);
    void sendText(const XSelectionRequestEvent& r, Atom into);
    // Another program took the clipboard over.
    void clipboardTaken();
    // The answer to a request of the viewer's: a fetch, or the end's
    // request to a clipboard manager.
    void answerArrived(const XSelectionEvent& s);
    void propertyChanged(const XPropertyEvent& p);
    // The server's time to claim the clipboard with has come.
    void claimAt(Time time);
    // A piece of a fetch in pieces (INCR) has come; an empty one ends it.
    void pieceArrived();
    // A requestor has taken the last piece of an answer in pieces.
    void pieceTaken(const XPropertyEvent& p);

    // --- The main thread's requests ---
    void takeOffer();
    void takeFetch();
    void takeEnd();

    void answerFetch(bool ok, std::string text, const std::string& error);
    // The fetched text as UTF-8.
    std::string fetchedText() const;
    // Reads and deletes the property an answer came in; false when none.
    bool readProperty(Atom* type, std::string* data);
    struct Transfer;
    std::size_t sendChunk(Transfer& t);

    X11Clipboard& shared;   // what the main thread asks and is told, under its mutex
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
    Atom incomingType = None;       // the type the owner gave it
    // At the end: waiting for a clipboard manager until the deadline.
    bool ending = false;
    bool saving = false;
    std::chrono::steady_clock::time_point deadline;
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
    link = new Link(*this);
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
    thread = std::thread([this] { link->run(wakeRead); });
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
    // The process's handler as it was, unless another has been set since.
    const XErrorHandler current = XSetErrorHandler(previousHandler);
    if (current != onXError) XSetErrorHandler(current);
    delete link;
    link = nullptr;
    close(wakeRead);
    close(wakeWrite);
}

// --- The thread ---

void X11Clipboard::Link::run(int wakeRead)
{
    const int xfd = ConnectionNumber(display);
    for (;;) {
        while (XPending(display)) {
            XEvent e;
            XNextEvent(display, &e);
            handle(e);
        }
        if (ending && (!saving || std::chrono::steady_clock::now() >= deadline)) break;
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
        takeOffer();
        takeFetch();
        takeEnd();
    }
}

void X11Clipboard::Link::handle(XEvent& e)
{
    switch (e.type) {
    case SelectionRequest: answerRequest(e.xselectionrequest); break;
    case SelectionClear:
        if (e.xselectionclear.selection == clipboard) clipboardTaken();
        break;
    case SelectionNotify: answerArrived(e.xselection); break;
    case PropertyNotify: propertyChanged(e.xproperty); break;
    default: break;
    }
}

// --- Serving the clipboard ---

void X11Clipboard::Link::answerRequest(const XSelectionRequestEvent& r)
{
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = display;
    reply.requestor = r.requestor;
    reply.selection = r.selection;
    reply.target = r.target;
    reply.time = r.time;
    reply.property = None;
    const Atom into = r.property != None ? r.property : r.target;   // an obsolete requestor
    bool own = false;
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        own = shared.owning;
    }
    // Only for a request made while the viewer held the clipboard, by the
    // server's clock, which wraps around.
    if (r.selection == clipboard && own && ownedSince != CurrentTime &&
        (r.time == CurrentTime ||
         clipboardtext::notBefore(static_cast<std::uint32_t>(r.time), static_cast<std::uint32_t>(ownedSince))) &&
        convert(r, into))
        reply.property = into;
    XSendEvent(display, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
}

bool X11Clipboard::Link::convert(const XSelectionRequestEvent& r, Atom into)
{
    if (r.target == targets) {
        const Atom list[] = {targets, utf8, XA_STRING, text, timestamp, saveTargets};
        XChangeProperty(display, r.requestor, into, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(list), static_cast<int>(sizeof list / sizeof *list));
        return true;
    }
    if (r.target == timestamp) {
        const long time = static_cast<long>(ownedSince);
        XChangeProperty(display, r.requestor, into, XA_INTEGER, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&time), 1);
        return true;
    }
    if (r.target == utf8 || r.target == XA_STRING || r.target == text) {
        sendText(r, into);
        return true;
    }
    if (r.target == saveTargets) {
        // Nothing to convert: a manager asks for the targets it keeps.
        XChangeProperty(display, r.requestor, into, XInternAtom(display, "NULL", False), 32, PropModeReplace, nullptr, 0);
        return true;
    }
    return false;
}

void X11Clipboard::Link::sendText(const XSelectionRequestEvent& r, Atom into)
{
    std::string held;
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        held = shared.held;
    }
    const bool latin1 = r.target == XA_STRING;
    Transfer t{r.requestor, into, latin1 ? XA_STRING : utf8, latin1 ? clipboardtext::latin1FromUtf8(held) : std::move(held), 0};
    if (t.data.size() <= chunk) {
        sendChunk(t);
        return;
    }
    // In pieces: each one once the requestor has deleted the last.
    XSelectInput(display, r.requestor, PropertyChangeMask);
    const long size = static_cast<long>(t.data.size());
    XChangeProperty(display, r.requestor, into, incr, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&size), 1);
    // A requestor that went away never asks for its next piece: the oldest
    // unfinished answers give way.
    if (transfers.size() >= maxTransfers) transfers.erase(transfers.begin());
    transfers.push_back(std::move(t));
}

std::size_t X11Clipboard::Link::sendChunk(Transfer& t)
{
    const std::size_t n = std::min(chunk, t.data.size() - t.sent);
    XChangeProperty(display, t.requestor, t.property, t.type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(t.data.data() + t.sent), static_cast<int>(n));
    t.sent += n;
    return n;
}

void X11Clipboard::Link::pieceTaken(const XPropertyEvent& p)
{
    for (auto t = transfers.begin(); t != transfers.end(); ++t) {
        if (t->requestor != p.window || t->property != p.atom) continue;
        // The last piece is an empty one.
        if (sendChunk(*t) == 0) transfers.erase(t);
        return;
    }
}

void X11Clipboard::Link::clipboardTaken()
{
    ownedSince = CurrentTime;
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.owning = false;
    shared.held.clear();
}

void X11Clipboard::Link::claimAt(Time time)
{
    claiming = false;
    XSetSelectionOwner(display, clipboard, window, time);
    const bool got = XGetSelectionOwner(display, clipboard) == window;
    ownedSince = got ? time : CurrentTime;
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.owning = got;
    if (!got) shared.held.clear();
}

// --- Fetching ---

void X11Clipboard::Link::answerArrived(const XSelectionEvent& s)
{
    if (s.selection == manager) {
        saving = false;   // the manager has taken the text, or refused it
        return;
    }
    if (s.selection != clipboard || !fetching || s.target != fetchTarget) return;
    if (s.property == None) {
        if (fetchTarget == utf8) {
            // An owner of the old kind: Latin-1.
            fetchTarget = XA_STRING;
            XConvertSelection(display, clipboard, XA_STRING, property, window, CurrentTime);
        } else {
            answerFetch(false, {}, "the clipboard holds no text");
        }
        return;
    }
    Atom type = None;
    std::string data;
    if (!readProperty(&type, &data)) {
        answerFetch(false, {}, "the clipboard's owner gave no text");
    } else if (type == incr) {
        incrReading = true;   // the pieces follow as the property is deleted
        incoming.clear();
    } else {
        incoming = std::move(data);
        incomingType = type;
        answerFetch(true, fetchedText(), {});
    }
}

void X11Clipboard::Link::propertyChanged(const XPropertyEvent& p)
{
    if (p.window == window && p.atom == clock && claiming) claimAt(p.time);
    else if (p.window == window && p.atom == property && p.state == PropertyNewValue && incrReading) pieceArrived();
    else if (p.state == PropertyDelete) pieceTaken(p);
}

void X11Clipboard::Link::pieceArrived()
{
    Atom type = None;
    std::string data;
    if (!readProperty(&type, &data)) return;
    incomingType = type;
    if (data.empty()) {
        answerFetch(true, fetchedText(), {});
        return;
    }
    incoming += data;
    // Beyond what the reader takes: enough for it to refuse.
    if (incoming.size() >= fetchLimit) answerFetch(true, fetchedText(), {});
}

bool X11Clipboard::Link::readProperty(Atom* type, std::string* data)
{
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* bytes = nullptr;
    if (XGetWindowProperty(display, window, property, 0, LONG_MAX / 4, True, AnyPropertyType, type, &format, &count,
                           &after, &bytes) != Success)
        return false;
    const std::size_t size = count * static_cast<std::size_t>(format == 32 ? sizeof(long) : format / 8);
    if (bytes) data->assign(reinterpret_cast<const char*>(bytes), size);
    else data->clear();
    if (bytes) XFree(bytes);
    return *type != None;
}

std::string X11Clipboard::Link::fetchedText() const
{
    // By what the owner says it gave, which is not always what was asked
    // for: some answer a request for UTF-8 with Latin-1.
    return incomingType == XA_STRING ? clipboardtext::utf8FromLatin1(incoming) : incoming;
}

void X11Clipboard::Link::answerFetch(bool ok, std::string fetched, const std::string& error)
{
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.fetchAnswered = fetching;
    shared.fetchOk = ok;
    shared.fetched = std::move(fetched);
    shared.fetchError = error;
    fetching = 0;
    incrReading = false;
    incoming.clear();
    shared.answered.notify_all();
}

// --- The main thread's requests ---

void X11Clipboard::Link::takeOffer()
{
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        if (!shared.offerWaiting) return;
        shared.offerWaiting = false;
        shared.held = std::move(shared.offered);
        shared.owning = true;   // for fetches from now on; the server confirms in claimAt
    }
    // A timestamp to claim with: the server's, from a property change.
    claiming = true;
    XChangeProperty(display, window, clock, XA_INTEGER, 32, PropModeAppend, nullptr, 0);
}

void X11Clipboard::Link::takeFetch()
{
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        if (shared.fetchAsked == shared.fetchAnswered || fetching == shared.fetchAsked) return;
        fetching = shared.fetchAsked;
    }
    if (XGetSelectionOwner(display, clipboard) == None) {
        answerFetch(false, {}, "the clipboard is empty");
        return;
    }
    fetchTarget = utf8;
    incrReading = false;
    incoming.clear();
    XConvertSelection(display, clipboard, utf8, property, window, CurrentTime);
}

void X11Clipboard::Link::takeEnd()
{
    bool own = false;
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        if (!shared.quitting || ending) return;
        ending = true;
        own = shared.owning && ownedSince != CurrentTime;
    }
    // A clipboard manager keeps the text once the viewer is gone.
    if (own && XGetSelectionOwner(display, manager) != None) {
        saving = true;
        deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(saveTimeoutMs);
        XConvertSelection(display, manager, saveTargets, property, window, ownedSince);
    }
}
