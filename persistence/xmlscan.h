#pragma once
// The shape of an XML text, measured without parsing it.
//
// The scene reader measures a file before the XML parser sees it, because the
// parser's costs grow with the shape rather than the size of a document: it
// recurses once per element level (a deep file overflows the stack), it walks
// up to the document for every node it reads (time grows with node count
// times depth), it keeps a sizeable object per node, and it checks each new
// attribute against all earlier ones of its element.
//
// The scan follows the parser's own rules for where a tag, comment, CDATA
// section, declaration or other markup starts and ends, including quoted
// attribute values, so it never measures less than the parser meets. Where
// the two could differ the parser has already stopped with an error, and what
// follows no longer matters.
#include <cstddef>

namespace xmlscan {

struct Shape {
    int deepestNesting = 0;          // element levels
    std::size_t nodes = 0;           // elements, attributes, comments, text runs, other markup
    std::size_t depthWork = 0;       // the depth of every node, summed
    int mostAttributes = 0;          // on one element
    int openAtEnd = 0;               // elements begun and not yet ended where the text ends
};

// Measures the first size bytes of text, up to the first NUL byte (the parser
// stops there too). Stops early once shape exceeds one of the bounds given in
// limits; the result then exceeds that bound.
Shape measure(const char* text, std::size_t size, const Shape& limits);

} // namespace xmlscan
