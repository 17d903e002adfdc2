#include "app/history/windowtitle.h"

namespace windowtitle {

const char* const programTitle = "Patternlens v1.75";

std::string fileName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string compose(const std::string& scenePath, bool modified)
{
    std::string title = programTitle;
    if (!scenePath.empty()) {
        title += " \u2014 ";   // an em dash
        title += fileName(scenePath);
    }
    if (modified) title += " *";
    return title;
}

} // namespace windowtitle
