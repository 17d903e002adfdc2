#pragma once
// The desktop's CLIPBOARD selection, served and read on an X connection of
// its own.
//
// GLUT handles no selections, and GTK runs only inside the dialogs, so the
// viewer keeps a second connection to the display with an unmapped window,
// read by a thread of its own that blocks on that connection and on a pipe
// from the main thread: an idle viewer wakes for nothing. While the viewer
// owns the clipboard the thread answers every request for it: TARGETS,
// UTF8_STRING, STRING (Latin-1), TEXT and TIMESTAMP, with INCR for texts
// larger than one request; another program taking the clipboard over
// (SelectionClear) ends that. A fetch waits for the owner's answer, INCR
// included, up to pasteTimeoutMs. At the end, a clipboard manager, when one
// runs, is asked to keep the text (SAVE_TARGETS).
#include "app/clipboard.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

class X11Clipboard : public Clipboard {
public:
    static constexpr int pasteTimeoutMs = 3000;
    // How long the end waits for a clipboard manager to take the text.
    static constexpr int saveTimeoutMs = 2000;

    X11Clipboard() = default;
    ~X11Clipboard() override;
    X11Clipboard(const X11Clipboard&) = delete;
    X11Clipboard& operator=(const X11Clipboard&) = delete;

    // Connects to the display ($DISPLAY) and starts the thread; false when
    // there is no display to connect to (then offer and fetch do nothing).
    bool start();
    void offer(const std::string& text) override;
    bool fetch(std::string* text, std::string* error) override;
    // Hands the text to a clipboard manager, if the viewer owns the
    // clipboard and one runs, and ends the thread and the connection.
    void shutDown();

private:
    // The connection and everything the thread alone touches, with the
    // thread's handlers of each event and request.
    struct Link;

    Link* link = nullptr;
    std::thread thread;
    int wakeRead = -1, wakeWrite = -1;   // the main thread's pipe to the thread

    std::mutex mutex;
    std::condition_variable answered;
    // Asked by the main thread.
    std::string offered;
    bool offerWaiting = false;
    unsigned fetchAsked = 0;
    bool quitting = false;
    // Told by the thread.
    bool owning = false;        // the viewer holds the CLIPBOARD
    std::string held;           // what it serves while it does
    unsigned fetchAnswered = 0;
    bool fetchOk = false;
    std::string fetched, fetchError;
};
