#include "app/column/examplefiles.h"

#include <algorithm>
#include <dirent.h>
#include <limits.h>
#include <unistd.h>

namespace examplefiles {

std::string directory()
{
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    const std::string self = n > 0 ? std::string(exe, static_cast<std::size_t>(n)) : std::string();
    const std::string build = PATTERNLENS_BUILD_DIR "/";
    if (self.compare(0, build.size(), build) == 0) return PATTERNLENS_SOURCE_DIR "/examples";
    return PATTERNLENS_EXAMPLES_DIR;
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

} // namespace examplefiles
