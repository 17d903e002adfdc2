#pragma once
// Recovery copies of unsaved work, the controller's side: while the
// composition has unsaved changes the keeper has the writer thread keep a
// copy of it in the recovery folder (recoveryfolder.h), and at start it
// offers the copies of viewers that are gone.
//
// Timing: a tick that finds unsaved changes and no copy due makes one due
// a second later; when it falls due, a snapshot is taken (the tree copied on
// the main loop, written off it) unless nothing changed since the last copy.
// So a copy starts at most a second or two after any edit, and during a
// long drag at most once a second. When the changes are gone (saved, or
// undone back to the saved state) the copy goes.
#include "app/recoverywriter.h"
#include "app/recovery/recoveryfolder.h"
#include "app/questions/recoveryquestion.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

class LayerControls;

class RecoveryKeeper {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds copyDelay{1000};

    explicit RecoveryKeeper(const std::string& directory = recoveryfolder::location());
    RecoveryKeeper(const RecoveryKeeper&) = delete;
    RecoveryKeeper& operator=(const RecoveryKeeper&) = delete;

    // At start: ask (through question) about the newest copy of a viewer
    // that is gone, open it without asking, or leave the copies alone.
    // Unreadable copies are moved aside whatever is asked. True when a copy
    // was recovered into controls.
    enum class Start { ask, recover, skip };
    bool offer(LayerControls& controls, RecoveryQuestion* question, Start start);
    // The same in two steps, so that the viewer can ask once its window is
    // on screen: prepare finds and reads the copies (holding their locks,
    // so that no other viewer starting now offers them too) and says
    // whether there is one to offer; resolve asks and does what the answer
    // says.
    bool prepare(LayerControls& controls, Start start);
    bool resolve(LayerControls& controls, RecoveryQuestion* question);

    // Every tick of the main loop. True when the info line changed.
    bool tick(LayerControls& controls, Clock::time_point now = Clock::now());
    // A copy is due: the main loop must keep ticking until it is taken.
    bool pending() const { return due; }

    // The viewer closes cleanly: the copy and its lock file go.
    void cleanExit();

    RecoveryWriter writer;
    recoveryfolder::Folder folder;

private:
    void copy(LayerControls& controls);
    bool say(LayerControls& controls, const std::string& text);

    Start starting = Start::skip;
    std::vector<recoveryfolder::Orphan> offered;   // readable copies, locked
    scenefile::ReadResult newest;                  // the newest of them, read
    std::size_t newestIndex = 0;
    std::string newestTime;

    bool due = false;
    Clock::time_point dueAt;
    std::shared_ptr<const Composition> lastCopied;   // null: no copy kept
    std::string lastOrigin;                          // its scene path and current layer
    bool copyKept = false;                           // a copy written or asked for, not removed
    bool failureTold = false;                        // the reason no copy is kept was said
    bool disabled = false;                           // no locks here: no copies at all
};

namespace recoverytext {
// "2026-12-07T19:45:12Z" for the moment t.
std::string isoTime(std::chrono::system_clock::time_point t);
// An ISO 8601 UTC time as the user's local time, "7 Dec 2026, 19:45"; the
// text itself when it is no such time.
std::string shownTime(const std::string& iso);
} // namespace recoverytext
