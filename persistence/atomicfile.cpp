#include "persistence/atomicfile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

} // namespace

namespace atomicfile {

std::string replace(const std::string& path, const std::function<std::string(std::FILE*)>& write)
{
    if (path.empty()) return systemError(ENOENT);
    const std::string target = resolveLink(path);
    const std::string directory = directoryOf(target);
    const std::size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

    std::string temporary = directory + "/." + base + ".XXXXXX";
    const int fd = mkstemp(&temporary[0]);
    if (fd < 0) return systemError(errno);

    std::string error;
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        error = systemError(errno);
        close(fd);
    } else {
        if (fchmod(fd, newFileMode(target)) != 0) error = systemError(errno);
        if (error.empty()) error = write(file);
        if (error.empty() && std::fflush(file) != 0) error = systemError(errno);
        if (error.empty() && std::ferror(file)) error = systemError(EIO);
        if (error.empty() && fsync(fd) != 0) error = systemError(errno);
        if (std::fclose(file) != 0 && error.empty()) error = systemError(errno);
    }
    if (error.empty() && rename(temporary.c_str(), target.c_str()) != 0) error = systemError(errno);
    if (!error.empty()) {
        unlink(temporary.c_str());
        return error;
    }
    // Makes the rename itself durable; the file is in place either way.
    const int dirFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return {};
}

} // namespace atomicfile
