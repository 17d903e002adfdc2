#pragma once
// Writes that fail as a user meets them, for the tests of every output: a
// disk that fills up part way, and a folder that cannot be written, even by
// root. Both act on the system's own paths (write(2) and open(2) fail), so
// the writers meet them where they would meet the real thing.
#include <csignal>
#include <fcntl.h>
#include <linux/capability.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace failingwrites {

// Files of this process may grow to bytes, no further: a write past that
// fails with EFBIG ("File too large"), its signal ignored, as a full disk
// fails one with ENOSPC.
class FullDisk {
public:
    explicit FullDisk(rlim_t bytes) : previous(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

private:
    rlimit saved{};
    void (*previous)(int);
};

// folder cannot be written by this thread and the threads it starts while
// this lives: its mode 0555, and, as root passes over modes, the calling
// thread's effective capabilities without CAP_DAC_OVERRIDE and
// CAP_DAC_READ_SEARCH (threads started meanwhile keep them dropped).
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const std::string& folder) : folder(folder)
    {
        chmod(folder.c_str(), 0555);
        header.version = _LINUX_CAPABILITY_VERSION_3;
        if (syscall(SYS_capget, &header, saved) != 0) return;
        __user_cap_data_struct dropped[2] = {saved[0], saved[1]};
        dropped[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        dropped_ = syscall(SYS_capset, &header, dropped) == 0;
    }
    ~ReadOnlyFolder()
    {
        if (dropped_) syscall(SYS_capset, &header, saved);
        chmod(folder.c_str(), 0755);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // False where the folder could still be written: a test then skips.
    bool holds() const { return faccessat(AT_FDCWD, folder.c_str(), W_OK, AT_EACCESS) != 0; }

private:
    std::string folder;
    __user_cap_header_struct header{};
    __user_cap_data_struct saved[2]{};
    bool dropped_ = false;
};

} // namespace failingwrites
