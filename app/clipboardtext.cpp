#include "app/clipboardtext.h"

namespace clipboardtext {

namespace {
bool continuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at text[i] (its lead byte
// past ASCII), with its code point in *code; 0 when there is none. The
// second byte's range rules out overlong forms, surrogates and code points
// past U+10FFFF.
std::size_t sequence(const std::string& text, std::size_t i, unsigned* code)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;   // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, *code = lead & 0x1Fu;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, *code = lead & 0x0Fu;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, *code = lead & 0x07u;
    else return 0;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    if (i + length > text.size()) return 0;
    const unsigned char second = static_cast<unsigned char>(text[i + 1]);
    if (second < low || second > high) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char c = static_cast<unsigned char>(text[i + k]);
        if (!continuation(c)) return 0;
        *code = (*code << 6) | (c & 0x3Fu);
    }
    return length;
}
} // namespace

std::string latin1FromUtf8(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned code = 0;
        const std::size_t length = c < 0x80 ? 1 : sequence(text, i, &code);
        if (length == 1) out += static_cast<char>(c);
        else out += length > 0 && code < 0x100 ? static_cast<char>(code) : '?';
        i += length > 0 ? length : 1;
    }
    return out;
}

std::string utf8FromLatin1(const std::string& text)
{
    std::string out;
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool notBefore(std::uint32_t t, std::uint32_t since)
{
    return static_cast<std::uint32_t>(t - since) < 0x80000000u;
}

} // namespace clipboardtext
