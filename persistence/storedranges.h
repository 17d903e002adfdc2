#pragma once
// Values a scene file stores outside the ranges it gives their variables
// (NaN among them).
//
// The file format allows them and the reader keeps them as they are, but a
// drag would clamp them at its first move and the panel shows them without
// comment, so a load says once where they are, and so does
// patternlens-render.
#include <string>

class Renderable;

namespace storedranges {

// "" when every variable of the tree under base lies within its range; else
// the first that does not, in tree order, by its path ("Spacing/Cutoff"),
// with its value and range, and how many others there are.
std::string note(const Renderable* base);

} // namespace storedranges
