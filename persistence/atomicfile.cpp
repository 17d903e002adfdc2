#include "persistence/atomicfile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <memory>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::string systemError(int error)
{
    return std::strerror(error);
}

// A link is replaced at what it points to, not turned into a plain file.
std::string resolveLink(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved)) return path;   // dangling: replace the link
    return resolved;
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The process's umask. Reading it with umask() means setting it for a moment,
// which would race with threads that create files meanwhile (a toolkit runs
// some); the kernel also reports it without changing it.
mode_t currentUmask()
{
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status)) found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found) return static_cast<mode_t>(mask);
    }
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

mode_t newFileMode(const std::string& target)
{
    struct stat st;
    if (stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
    return 0666 & ~currentUmask();
}

// The contents, written through write and flushed to the disk. The file is
// closed on every path but success, where *out keeps it open for the link.
std::string writeAndSync(int fd, mode_t mode, const std::function<std::string(std::FILE*)>& write, std::FILE** out)
{
    *out = nullptr;
    std::FILE* file = fdopen(fd, "w+b");
    if (!file) {
        const int error = errno;
        close(fd);
        return systemError(error);
    }
    std::string error;
    if (fchmod(fd, mode) != 0) error = systemError(errno);
    if (error.empty()) error = write(file);
    if (error.empty() && std::fflush(file) != 0) error = systemError(errno);
    if (error.empty() && std::ferror(file)) error = systemError(EIO);
    if (error.empty() && fsync(fd) != 0) error = systemError(errno);
    if (!error.empty()) {
        std::fclose(file);
        return error;
    }
    *out = file;
    return {};
}

std::string closeFile(std::FILE* file)
{
    return std::fclose(file) == 0 ? std::string() : systemError(errno);
}

// Copies the whole of the file open at from into the one open at to.
std::string copyContents(int from, int to)
{
    char buffer[1 << 16];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = pread(from, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return systemError(errno);
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) return systemError(errno);
            done += w;
        }
        offset += n;
    }
    return fsync(to) == 0 ? std::string() : systemError(errno);
}

// Gives the unnamed file open at fd the name link: through /proc, which any
// process may, or by the descriptor itself, which needs a privilege. False
// with errno EEXIST when the name is taken.
bool linkUnnamed(int fd, const std::string& link)
{
    const std::string procPath = "/proc/self/fd/" + std::to_string(fd);
    if (linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, link.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno == ENOENT || errno == EACCES || errno == EPERM)
        return linkat(fd, "", AT_FDCWD, link.c_str(), AT_EMPTY_PATH) == 0;
    return false;
}

// Six letters or digits no other writer is likely to draw.
std::string uniqueEnding()
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[6];
    if (getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
        // No entropy yet (early boot): the thread and the time differ enough.
        const unsigned long long mixed = static_cast<unsigned long long>(syscall(SYS_gettid)) * 0x9E3779B97F4A7C15ull ^
                                         static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
        for (std::size_t k = 0; k < sizeof random; ++k) random[k] = static_cast<unsigned char>(mixed >> (8 * k));
    }
    std::string ending(sizeof random, ' ');
    for (std::size_t k = 0; k < sizeof random; ++k) ending[k] = letters[random[k] % (sizeof letters - 1)];
    return ending;
}

// Links the unnamed file open at fd under a name of its own beside the
// target (prefix, a point and a unique ending), which *link receives. Every
// writer holds a lock on its file until the rename has taken the name away,
// so a name taken is another writer's file and is left alone.
bool linkUnique(int fd, const std::string& prefix, std::string* link)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *link = prefix + "." + uniqueEnding();
        if (linkUnnamed(fd, *link)) return true;
        if (errno != EEXIST) return false;
    }
    return false;
}

// Removes the leftovers of writes to the target that were stopped between
// their link and their rename: files beside it named prefix, or prefix and a
// unique ending, that no writer holds a lock on.
void removeLeftovers(const std::string& directory, const std::string& prefix)
{
    DIR* dir = opendir(directory.c_str());
    if (!dir) return;
    const std::string name = prefix.substr(prefix.rfind('/') + 1);
    while (const dirent* entry = readdir(dir)) {
        const std::string found = entry->d_name;
        if (found.compare(0, name.size(), name) != 0) continue;
        if (found.size() != name.size() && (found.size() != name.size() + 7 || found[name.size()] != '.')) continue;
        const std::string path = directory + "/" + found;
        const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat held, named;
        // Unlocked, and still the file of that name: no writer will rename it.
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
            lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino)
            unlink(path.c_str());
        close(fd);
    }
    closedir(dir);
}

// The named temporary files being written, for a signal handler to remove:
// a slot is claimed by the writing thread, and its path is complete before
// the slot says so.
struct Pending {
    std::atomic<int> state{0};   // 0 free, 1 taken, 2 a path to remove
    char path[PATH_MAX];
};
Pending pending[16];

// A temporary file's slot for as long as it exists; none when all are taken
// (the file is then still removed on every error, only not on a signal).
class PendingName {
public:
    explicit PendingName(const std::string& path)
    {
        if (path.size() >= PATH_MAX) return;
        for (Pending& p : pending) {
            int expected = 0;
            if (!p.state.compare_exchange_strong(expected, 1)) continue;
            path.copy(p.path, path.size());
            p.path[path.size()] = '\0';
            p.state.store(2);
            slot = &p;
            return;
        }
    }
    ~PendingName()
    {
        if (slot) slot->state.store(0);
    }
    PendingName(const PendingName&) = delete;
    PendingName& operator=(const PendingName&) = delete;

private:
    Pending* slot = nullptr;
};

void removePendingAndEnd(int signal)
{
    for (Pending& p : pending)
        if (p.state.load() == 2) unlink(p.path);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

thread_local atomicfile::Method usedMethod = atomicfile::Method::unnamed;

// Makes the rename itself durable; the file is in place either way.
void syncDirectory(const std::string& directory)
{
    const int dirFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
}

} // namespace

namespace atomicfile {

void removeTemporariesOnSignals()
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action {};
        sigaction(signal, nullptr, &action);
        if (action.sa_handler != SIG_DFL) continue;   // ignored, or caught by the program
        action.sa_handler = removePendingAndEnd;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(signal, &action, nullptr);
    }
}

std::string temporaryName(const std::string& path)
{
    const std::string target = resolveLink(path);
    const std::size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    return directoryOf(target) + "/." + base + ".new";
}

Method lastMethod()
{
    return usedMethod;
}

std::string replace(const std::string& path, const std::function<std::string(std::FILE*)>& write)
{
    return replace(path, write, Method::unnamed);
}

std::string replace(const std::string& path, const std::function<std::string(std::FILE*)>& write, Method method)
{
    if (path.empty()) return systemError(ENOENT);
    const std::string target = resolveLink(path);
    const std::string directory = directoryOf(target);
    const std::size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const mode_t mode = newFileMode(target);

    removeLeftovers(directory, temporaryName(target));

    // The contents come first, in a file no one can see, locked before it
    // has a name.
    std::FILE* unnamed = nullptr;
    if (method == Method::unnamed) {
        const int fd = open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0) {
            flock(fd, LOCK_EX);
            if (std::string error = writeAndSync(fd, mode, write, &unnamed); !error.empty()) return error;
        } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            // The folder itself is the trouble (missing, not writable, full):
            // a named file would fail the same way.
            return systemError(errno);
        }
    }

    std::string temporary;
    std::unique_ptr<PendingName> named;
    // The unnamed file stays open, and locked, until it is renamed.
    std::FILE* linked = nullptr;
    if (unnamed && linkUnique(fileno(unnamed), temporaryName(target), &temporary)) {
        named = std::make_unique<PendingName>(temporary);
        linked = unnamed;
        usedMethod = Method::unnamed;
    } else {
        // No unnamed files here, or no way to name one: a named temporary
        // file, made whole before it is renamed like the other.
        temporary = directory + "/." + base + ".XXXXXX";
        const int fd = mkostemp(&temporary[0], O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            if (unnamed) std::fclose(unnamed);
            return systemError(error);
        }
        named = std::make_unique<PendingName>(temporary);
        std::string error;
        if (unnamed) {
            error = copyContents(fileno(unnamed), fd);
            if (error.empty() && fchmod(fd, mode) != 0) error = systemError(errno);
            std::fclose(unnamed);
            if (close(fd) != 0 && error.empty()) error = systemError(errno);
        } else {
            std::FILE* file = nullptr;
            error = writeAndSync(fd, mode, write, &file);
            if (error.empty()) error = closeFile(file);
        }
        if (!error.empty()) {
            unlink(temporary.c_str());
            return error;
        }
        usedMethod = Method::named;
    }
    const bool renamed = rename(temporary.c_str(), target.c_str()) == 0;
    const int renameError = errno;
    if (!renamed) unlink(temporary.c_str());
    // Its contents were flushed and synced before the link: closing it
    // releases the lock and has nothing left to write.
    if (linked) std::fclose(linked);
    if (!renamed) return systemError(renameError);
    syncDirectory(directory);
    return {};
}

} // namespace atomicfile
