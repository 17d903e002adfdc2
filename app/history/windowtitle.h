#pragma once
// The main window's title. Until a scene has a file it is the program's
// name alone; then the file's name follows, and " *" while the composition
// differs from that file.
#include <string>

namespace windowtitle {

extern const char* const programTitle;   // "Patternlens v1.75"

// The last component of path: "scene.xml" for "/home/u/scene.xml".
std::string fileName(const std::string& path);

std::string compose(const std::string& scenePath, bool modified);

} // namespace windowtitle
