#pragma once
// Files and folders for tests: a scratch folder that removes itself, and
// whole-file reads and writes.
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>

namespace testfiles {

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const std::string& path, const std::string& contents)
{
    std::ofstream(path, std::ios::binary) << contents;
}

inline bool exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// How many names a folder holds.
inline int entries(const std::string& folder)
{
    int count = 0;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) count += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
        closedir(d);
    }
    return count;
}

// A new folder under /tmp, removed with everything in it at the end.
class TempFolder {
public:
    explicit TempFolder(const char* prefix = "patternlens-test")
    {
        std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder()
    {
        if (path_.empty()) return;
        // A test may have left folders unwritable; a failure leaves litter in /tmp, nothing worse.
        const int status = std::system(("chmod -R u+rwx '" + path_ + "' && rm -rf '" + path_ + "'").c_str());
        (void)status;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool ok() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

} // namespace testfiles
