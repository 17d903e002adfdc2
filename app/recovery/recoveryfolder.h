#pragma once
// The folder of recovery copies: one copy of unsaved work per running
// viewer, "viewer-ID.xml", each beside a lock file of its own,
// "viewer-ID.lock", which its viewer holds (flock) while it runs. The lock
// file is never replaced (a lock on the copy itself would stay with the old
// file at each rename of a new copy over it), so a copy whose lock is free
// belongs to a viewer that is gone, and one whose lock is held to another
// running viewer, which is never offered or touched. Names that begin with
// a dot are temporary files and never copies.
//
// Locks are taken without waiting. A lock file is checked to be the one at
// its name once it is locked: another viewer may have removed it in between.
#include <string>
#include <vector>

#include <sys/file.h>

namespace recoveryfolder {

// $XDG_STATE_HOME/patternlens/recovery, or ~/.local/state/patternlens/recovery
// when the variable is unset or not an absolute path.
std::string location();

// A copy left by a viewer that is gone, locked by this process while it is
// held.
struct Orphan {
    std::string copyPath;
    std::string lockPath;
    int lockFd = -1;
    long long modified = 0;   // the copy's modification time, seconds
};

class Folder {
public:
    explicit Folder(std::string directory);
    ~Folder();   // lets go of every lock, removing nothing
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    // How lock files are locked: flock, unless a test puts a file system
    // without locks in its place.
    int (*lockFile)(int fd, int operation) = ::flock;

    // This viewer's own copy: makes the folder and the lock file and locks
    // it, once. Returns an empty string when the copy may be written, else
    // why not. lockless() tells a folder where locks do not work at all.
    std::string claim();
    bool claimed() const { return ownLockFd >= 0; }
    bool lockless() const { return locksFail; }
    // Where the own copy is written (its name is fixed by claim).
    std::string copyPath() const { return ownCopy; }

    // The copies of viewers that are gone, each now locked by this viewer,
    // oldest first. Copies whose lock file is missing get one.
    std::vector<Orphan> findOrphans();
    // Lets go of an orphan's lock, keeping the copy (not now).
    void release(Orphan& orphan);
    // Removes the orphan's copy and its lock file (discarded).
    void discard(Orphan& orphan);
    // Moves the orphan's copy aside as NAME.unreadable, so that it never
    // comes back, and removes its lock file. Returns the new path.
    std::string moveAside(Orphan& orphan);
    // The orphan becomes this viewer's own copy, under its name: the lock
    // stays held, and any own copy and lock file of this viewer go.
    void takeOver(Orphan& orphan);

    // A clean exit: the own copy and its lock file go.
    void removeAll();

private:
    std::string folder;
    std::string ownCopy;
    std::string ownLock;
    int ownLockFd = -1;
    bool locksFail = false;
};

} // namespace recoveryfolder
