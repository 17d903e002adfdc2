#pragma once
// Writes that fail as a user meets them, in the writers' own system calls:
// a disk that fills up part way, a folder that cannot be written (by root too).
#include <csignal>
#include <fcntl.h>
#include <linux/capability.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace failingwrites {

// While it lives, this process's files stop growing at bytes: a write past
// that fails with EFBIG ("File too large"), as a full disk's with ENOSPC.
class FullDisk {
public:
    explicit FullDisk(rlim_t bytes) : previous(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limit{bytes, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
    }

private:
    rlimit saved{};
    void (*previous)(int);
};

// While it lives, folder (mode 0555) cannot be written by this thread and
// the threads it starts: root's pass over the mode, CAP_DAC_OVERRIDE and
// CAP_DAC_READ_SEARCH, leaves their effective capabilities.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const std::string& folder) : folder(folder)
    {
        chmod(folder.c_str(), 0555);
        if (syscall(SYS_capget, &header, saved) != 0) return;
        __user_cap_data_struct dropped[2] = {saved[0], saved[1]};
        dropped[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        restore = syscall(SYS_capset, &header, dropped) == 0;
    }
    ~ReadOnlyFolder()
    {
        if (restore) syscall(SYS_capset, &header, saved);
        chmod(folder.c_str(), 0755);
    }
    // False where the folder can still be written (no capability could be
    // dropped): the case is then left out.
    bool holds() const { return faccessat(AT_FDCWD, folder.c_str(), W_OK, AT_EACCESS) != 0; }

private:
    std::string folder;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{};
    bool restore = false;
};

} // namespace failingwrites
