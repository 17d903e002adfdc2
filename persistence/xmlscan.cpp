#include "persistence/xmlscan.h"

#include <cstring>

namespace {

// A cursor over the text that never runs past its end or a NUL byte.
class Scanner {
public:
    Scanner(const char* text, std::size_t size) : p(text), end(text + size)
    {
        if (const void* nul = std::memchr(text, '\0', size)) end = static_cast<const char*>(nul);
    }

    bool atEnd() const { return p >= end; }
    char peek(std::size_t ahead = 0) const { return ahead < static_cast<std::size_t>(end - p) ? p[ahead] : '\0'; }
    void advance(std::size_t n = 1) { p = (static_cast<std::size_t>(end - p) > n) ? p + n : end; }

    bool startsWith(const char* s, bool ignoreCase = false) const
    {
        for (std::size_t i = 0; s[i]; ++i) {
            char c = peek(i);
            if (c == '\0') return false;
            if (ignoreCase) c = lower(c);
            if (c != s[i]) return false;
        }
        return true;
    }

    // Moves past the next occurrence of s, or to the end.
    void skipPast(const char* s)
    {
        const std::size_t n = std::strlen(s);
        while (!atEnd() && !startsWith(s)) advance();
        advance(n);
    }

    void skipPastChar(char c)
    {
        while (!atEnd() && peek() != c) advance();
        advance();
    }

    void skipWhiteSpace()
    {
        while (!atEnd() && isWhiteSpace(peek())) advance();
    }

    static bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
    static char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

    // What the parser takes as the first character of a name: a letter, an
    // underscore, or any byte outside ASCII (it does not decode UTF-8).
    static bool isNameStart(char c)
    {
        const unsigned char u = static_cast<unsigned char>(c);
        return u >= 127 || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_';
    }

private:
    const char* p;
    const char* end;
};

// An XML declaration ("<?xml", any case) ends at the first '>' outside the
// quoted values of its version, encoding and standalone attributes; any other
// word inside it is passed over up to white space or '>'.
void skipDeclaration(Scanner& s)
{
    s.advance(5);
    while (!s.atEnd()) {
        if (s.peek() == '>') {
            s.advance();
            return;
        }
        s.skipWhiteSpace();
        if (s.startsWith("version", true) || s.startsWith("encoding", true) || s.startsWith("standalone", true)) {
            while (!s.atEnd() && !Scanner::isWhiteSpace(s.peek()) && s.peek() != '=' && s.peek() != '>') s.advance();
            s.skipWhiteSpace();
            if (s.peek() != '=') return;   // the parser fails here
            s.advance();
            s.skipWhiteSpace();
            const char quote = s.peek();
            if (quote == '"' || quote == '\'') {
                s.advance();
                s.skipPastChar(quote);
            } else {
                while (!s.atEnd() && !Scanner::isWhiteSpace(s.peek()) && s.peek() != '/' && s.peek() != '>') s.advance();
            }
        } else {
            while (!s.atEnd() && s.peek() != '>' && !Scanner::isWhiteSpace(s.peek())) s.advance();
        }
    }
}

bool exceeds(const xmlscan::Shape& shape, const xmlscan::Shape& limits)
{
    return shape.deepestNesting > limits.deepestNesting || shape.nodes > limits.nodes ||
           shape.depthWork > limits.depthWork || shape.mostAttributes > limits.mostAttributes;
}

} // namespace

namespace xmlscan {

Shape measure(const char* text, std::size_t size, const Shape& limits)
{
    Scanner s(text, size);
    Shape shape;
    int depth = 0;
    // Every node costs the parser its depth; elements count at their own.
    auto node = [&](int at) {
        ++shape.nodes;
        shape.depthWork += static_cast<std::size_t>(at);
    };
    while (!s.atEnd() && !exceeds(shape, limits)) {
        if (s.peek() != '<') {
            // A run of text, white space included: the parser makes a node
            // of it before it finds out whether to keep it.
            node(depth);
            while (!s.atEnd() && s.peek() != '<') s.advance();
            continue;
        }
        if (s.startsWith("</")) {
            // Inside an element this is its end tag (a mismatched one stops
            // the parser); outside every element it is unknown markup.
            if (depth > 0) --depth;
            else node(depth);
            s.skipPastChar('>');
            continue;
        }
        node(depth + 1);
        if (s.startsWith("<?xml", true)) {
            skipDeclaration(s);
        } else if (s.startsWith("<!--")) {
            s.advance(4);
            s.skipPast("-->");
        } else if (s.startsWith("<![CDATA[")) {
            s.advance(9);
            s.skipPast("]]>");
        } else if (Scanner::isNameStart(s.peek(1))) {
            if (++depth > shape.deepestNesting) shape.deepestNesting = depth;
            // The start tag: its attributes, whose quoted values may hold
            // any character, up to '>' or the "/>" that closes it at once.
            int attributes = 0;
            s.advance();
            while (!s.atEnd()) {
                const char c = s.peek();
                if (c == '"' || c == '\'') {
                    s.advance();
                    s.skipPastChar(c);
                } else if (c == '=') {
                    ++attributes;
                    node(depth);
                    s.advance();
                } else if (c == '/' && s.peek(1) == '>') {
                    --depth;
                    s.advance(2);
                    break;
                } else if (c == '>') {
                    s.advance();
                    break;
                } else {
                    s.advance();
                }
            }
            if (attributes > shape.mostAttributes) shape.mostAttributes = attributes;
        } else {
            // Any other markup ("<!DOCTYPE", "<?target", "< ") runs to the
            // first '>'.
            s.skipPastChar('>');
        }
    }
    shape.openAtEnd = depth;
    return shape;
}

} // namespace xmlscan
