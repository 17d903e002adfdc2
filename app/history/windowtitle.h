#pragma once
// The main window's title: the program's name, then the scene's file name
// once it has one, and " *" while the composition has unsaved changes
// (differs from that file, or is untitled and edited).
#include <string>

namespace windowtitle {

extern const char* const programTitle;   // "Patternlens v1.75"

// The last component of path: "scene.xml" for "/home/u/scene.xml".
std::string fileName(const std::string& path);

std::string compose(const std::string& scenePath, bool modified);

} // namespace windowtitle
