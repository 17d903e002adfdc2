#include "app/column/examplefiles.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <limits.h>
#include <unistd.h>

namespace examplefiles {

namespace {
// The folder relative to another, resolved by name: each leading "../" of
// relative takes the last component off folder.
std::string joined(std::string folder, std::string relative)
{
    while (relative.compare(0, 3, "../") == 0) {
        folder.resize(std::min(folder.size(), folder.find_last_of('/')));
        relative.erase(0, 3);
    }
    return folder + "/" + relative;
}

// The canonical form of an existing path; "" when it does not exist.
std::string canonical(const std::string& path)
{
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved) return {};
    std::string out = resolved;
    std::free(resolved);
    return out;
}
} // namespace

std::string directoryFor(const std::string& program)
{
    const std::string build = PATTERNLENS_BUILD_DIR "/";
    if (program.compare(0, build.size(), build) == 0) return PATTERNLENS_SOURCE_DIR "/examples";
    // The program's folder is the prefix's bin folder; the examples lie
    // where the install put them relative to it.
    return joined(program.substr(0, program.find_last_of('/')), PATTERNLENS_EXAMPLES_FROM_PROGRAM);
}

std::string directory()
{
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    return directoryFor(n > 0 ? std::string(exe, static_cast<std::size_t>(n)) : std::string());
}

std::string nameOf(const std::string& path)
{
    std::string name = path.substr(path.find_last_of('/') + 1);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0) name.resize(name.size() - 4);
    for (char& c : name)
        if (c == '-' || c == '_') c = ' ';
    if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}

std::vector<Example> list(const std::string& folder)
{
    std::vector<Example> examples;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return examples;
    while (const dirent* entry = readdir(dir)) {
        const std::string file = entry->d_name;
        if (file.size() > 4 && file[0] != '.' && file.compare(file.size() - 4, 4, ".xml") == 0)
            examples.push_back({folder + "/" + file, nameOf(file)});
    }
    closedir(dir);
    std::sort(examples.begin(), examples.end(), [](const Example& a, const Example& b) { return a.path < b.path; });
    return examples;
}

bool isIn(const std::string& path, const std::string& folder)
{
    const std::string file = canonical(path);
    const std::string where = canonical(folder);
    if (file.empty() || where.empty()) return false;
    return file.size() > where.size() + 1 && file.compare(0, where.size(), where) == 0 && file[where.size()] == '/';
}

} // namespace examplefiles
