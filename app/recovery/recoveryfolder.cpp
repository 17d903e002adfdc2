#include "app/recovery/recoveryfolder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char copySuffix[] = ".xml";
const char lockSuffix[] = ".lock";

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Makes directory and the folders above it, readable by the user alone
// (copies hold the user's work). Returns 0 or an errno.
int makeFolders(const std::string& directory)
{
    struct stat st;
    if (stat(directory.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    const std::size_t slash = directory.rfind('/');
    if (slash != std::string::npos && slash > 0)
        if (const int error = makeFolders(directory.substr(0, slash))) return error;
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    return 0;
}

enum class Lock { taken, held, failed };

// Locks the lock file at path, making it when create says so. A lock file
// removed or replaced between the open and the lock is tried again, so the
// lock taken is always the one at its name.
Lock lockAt(int (*lockFile)(int, int), const std::string& path, bool create, int* fd, int* error)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int f = open(path.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
        if (f < 0) {
            *error = errno;
            return Lock::failed;
        }
        if (lockFile(f, LOCK_EX | LOCK_NB) != 0) {
            const int e = errno;
            close(f);
            if (e == EWOULDBLOCK || e == EINTR) return Lock::held;
            *error = e;
            return Lock::failed;
        }
        struct stat opened, named;
        if (fstat(f, &opened) == 0 && stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
            opened.st_ino == named.st_ino) {
            *fd = f;
            return Lock::taken;
        }
        close(f);
        if (!create) {
            *error = ENOENT;
            return Lock::failed;
        }
    }
    *error = EAGAIN;
    return Lock::failed;
}

// Errors of flock that say the file system has no locks, rather than that
// this one file could not be locked.
bool noLocksHere(int error)
{
    return error == ENOLCK || error == EOPNOTSUPP || error == ENOTSUP || error == EINVAL;
}

std::string stem(const std::string& copyPath)
{
    return copyPath.substr(0, copyPath.size() - (sizeof copySuffix - 1));
}

} // namespace

namespace recoveryfolder {

std::string location()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/patternlens/recovery";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "") + "/.local/state/patternlens/recovery";
}

Folder::Folder(std::string directory) : folder(std::move(directory)) {}

Folder::~Folder()
{
    if (ownLockFd >= 0) close(ownLockFd);
}

std::string Folder::claim()
{
    if (ownLockFd >= 0) return {};
    if (locksFail) return "locks do not work in " + folder;
    if (const int error = makeFolders(folder)) return std::string(std::strerror(error)) + " (" + folder + ")";
    if (ownCopy.empty()) {
        // The process and the moment it claimed: unique among the viewers
        // of this machine, and never that of a viewer before it.
        struct timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        const std::string name = "viewer-" + std::to_string(getpid()) + "-" + std::to_string(now.tv_sec) + "-" +
                                 std::to_string(now.tv_nsec / 1000);
        ownCopy = folder + "/" + name + copySuffix;
        ownLock = folder + "/" + name + lockSuffix;
    }
    int error = 0;
    switch (lockAt(lockFile, ownLock, true, &ownLockFd, &error)) {
    case Lock::taken: return {};
    case Lock::held: return "another viewer holds " + ownLock;
    case Lock::failed: break;
    }
    if (noLocksHere(error)) {
        locksFail = true;
        unlink(ownLock.c_str());
        return "locks do not work in " + folder;
    }
    return std::string(std::strerror(error)) + " (" + ownLock + ")";
}

std::vector<Orphan> Folder::findOrphans()
{
    std::vector<Orphan> found;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return found;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.' || !endsWith(name, copySuffix)) continue;
        names.push_back(name);
    }
    closedir(dir);
    for (const std::string& name : names) {
        Orphan orphan;
        orphan.copyPath = folder + "/" + name;
        if (orphan.copyPath == ownCopy) continue;
        orphan.lockPath = stem(orphan.copyPath) + lockSuffix;
        int error = 0;
        if (lockAt(lockFile, orphan.lockPath, true, &orphan.lockFd, &error) != Lock::taken) {
            if (noLocksHere(error)) locksFail = true;
            continue;
        }
        // Its viewer may have ended cleanly between the listing and the lock.
        struct stat st;
        if (lstat(orphan.copyPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            if (errno == ENOENT) unlink(orphan.lockPath.c_str());
            close(orphan.lockFd);
            continue;
        }
        orphan.modified = static_cast<long long>(st.st_mtime);
        found.push_back(orphan);
    }
    std::sort(found.begin(), found.end(), [](const Orphan& a, const Orphan& b) {
        return a.modified != b.modified ? a.modified < b.modified : a.copyPath < b.copyPath;
    });
    return found;
}

void Folder::release(Orphan& orphan)
{
    if (orphan.lockFd >= 0) close(orphan.lockFd);
    orphan.lockFd = -1;
}

void Folder::discard(Orphan& orphan)
{
    if (orphan.lockFd < 0) return;   // not ours to touch
    unlink(orphan.copyPath.c_str());
    unlink(orphan.lockPath.c_str());
    release(orphan);
}

std::string Folder::moveAside(Orphan& orphan)
{
    if (orphan.lockFd < 0) return {};
    const std::string aside = orphan.copyPath + ".unreadable";
    if (rename(orphan.copyPath.c_str(), aside.c_str()) != 0) return {};
    unlink(orphan.lockPath.c_str());
    release(orphan);
    return aside;
}

void Folder::takeOver(Orphan& orphan)
{
    if (orphan.lockFd < 0) return;
    removeAll();
    ownCopy = orphan.copyPath;
    ownLock = orphan.lockPath;
    ownLockFd = orphan.lockFd;
    orphan.lockFd = -1;
}

void Folder::removeAll()
{
    if (ownLockFd < 0) return;
    // The copy first: a lock file without a copy is nothing to offer.
    unlink(ownCopy.c_str());
    unlink(ownLock.c_str());
    close(ownLockFd);
    ownLockFd = -1;
}

} // namespace recoveryfolder
