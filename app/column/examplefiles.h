#pragma once
// The example scenes that come with the program: kept in examples/ in the
// source tree and installed with the package. A program run from its build
// tree lists the tree's own examples; an installed one the installed ones.
#include <string>
#include <vector>

namespace examplefiles {

struct Example {
    std::string path;
    std::string name;   // for people: "marble-veins.xml" is "Marble veins"
};

// The folder of the examples this program lists.
std::string directory();
// The scene files (*.xml) of folder, by name; none when it cannot be read.
std::vector<Example> list(const std::string& folder = directory());
std::string nameOf(const std::string& path);

} // namespace examplefiles
