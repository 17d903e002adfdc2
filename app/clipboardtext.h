#pragma once
// What the desktop's clipboard needs beyond the X calls, without them, so
// that it is tested headless: the Latin-1 text of the old STRING target, and
// the order of the server's times.
#include <cstdint>
#include <string>

namespace clipboardtext {

// UTF-8 as Latin-1: each character beyond Latin-1 becomes '?', and so does
// each byte that starts no well-formed UTF-8 sequence (a stray continuation
// byte, a lead byte whose continuation bytes are missing, an overlong form,
// a surrogate).
std::string latin1FromUtf8(const std::string& text);
// Latin-1 as UTF-8; every byte is a character.
std::string utf8FromLatin1(const std::string& text);

// Whether the server time t is at since or after it. Times are
// milliseconds in 32 bits and wrap around every 49.7 days, so the later of
// two is the one less than half the range ahead.
bool notBefore(std::uint32_t t, std::uint32_t since);

} // namespace clipboardtext
