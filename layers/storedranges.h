#pragma once
// Values a scene file stores outside the ranges it gives their variables,
// infinities and NaN among them.
//
// The file format allows them and the reader keeps them as they are, but a
// drag would clamp them at its first move and the panel shows them without
// comment, so every program that reads a scene says once where they are:
// the viewer's load in its info line, patternlens-render as a warning.
#include <string>

class Renderable;

namespace storedranges {

// "" when every variable of the tree under base lies within its range; else
// the first that does not, in tree order, by its path ("Spacing/Cutoff"),
// with its value and range, and how many others there are.
std::string note(const Renderable* base);

} // namespace storedranges
