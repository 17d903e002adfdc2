#pragma once
// Counts in the messages the user reads: digits grouped in threes
// ("1,332"), and a noun that agrees with its number ("1 layer", "2 layers").
#include <string>

namespace counttext {

inline std::string grouped(long long n)
{
    const bool negative = n < 0;
    const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
    std::string digits = std::to_string(magnitude);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<std::size_t>(at), ",");
    return negative ? "-" + digits : digits;
}

inline std::string layers(long long n)
{
    return grouped(n) + (n == 1 ? " layer" : " layers");
}

} // namespace counttext
