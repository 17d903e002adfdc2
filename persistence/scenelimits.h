#pragma once
// What the scene reader accepts. A scene file comes from outside the program,
// so it is measured before anything is parsed (xmlscan.h), and refused when
// it exceeds one of these bounds. Each lies far beyond any composition a
// person builds, and each keeps the parser's stack, time or memory in check.
#include <cstddef>

namespace scenelimits {

// The file's size. The writer indents every element by its depth, so a chain
// of input layers as deep as maxElementDepth allows is written as some 75 MB.
constexpr std::size_t maxSceneBytes = std::size_t(128) << 20;   // 128 MiB

// Element levels from the document down: the parser and the layer loader
// recurse once per level. Each layer in a chain of input layers costs three
// (Layer > Variables > Variable) below "Patternlens" > "Layers", so this
// admits a chain of 1,332 layers, and it parses within the default 8 MiB
// stack, also in the AddressSanitizer build.
constexpr int maxElementDepth = 4000;
// The longest chain of layers, base to deepest input, that those levels
// hold: what a composition built in code may reach, so that it saves and
// reads back.
constexpr int maxChainLayers = (maxElementDepth - 2) / 3;

// Nodes of the parsed document (elements, attributes, comments, text runs):
// the parser's memory, some 250 bytes a node, and its time, about half a
// microsecond a node. A layer written by the program takes at most about 25.
constexpr std::size_t maxNodes = 2000000;

// The depth of every node, summed: the parser's time, since it walks from
// each node up to the document. A chain of 1,332 two-variable layers, as
// the program writes it, sums to about 67 million.
constexpr std::size_t maxDepthWork = 100000000;

// Attributes on one element: the parser compares each new attribute with all
// earlier ones of its element. A layer has six.
constexpr int maxAttributesPerElement = 32;

} // namespace scenelimits
