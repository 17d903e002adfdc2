#pragma once
// The example scenes that come with the program: kept in examples/ in the
// source tree and installed with the package. A program run from its build
// tree lists the tree's own examples; an installed one those installed
// beside it, under the prefix it was installed to, wherever that is.
#include <string>
#include <vector>

namespace examplefiles {

struct Example {
    std::string path;
    std::string name;   // for people: "marble-veins.xml" is "Marble veins"
};

// The folder of the examples this program lists.
std::string directory();
// The folder for a program at program (an absolute path): the source
// tree's for one in the build tree, else the data folder of its prefix
// (/usr/bin/patternlens: /usr/share/patternlens/examples).
std::string directoryFor(const std::string& program);
// The scene files (*.xml) of folder, by name; none when it cannot be read.
std::vector<Example> list(const std::string& folder = directory());
std::string nameOf(const std::string& path);
// Whether path names a file under folder, however either is spelt (through
// symbolic links, "..", a relative path). Such a scene belongs to the
// program: it is opened untitled, so that no save writes over it.
bool isIn(const std::string& path, const std::string& folder = directory());

} // namespace examplefiles
