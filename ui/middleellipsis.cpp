#include "ui/middleellipsis.h"

#include <vector>

namespace ui {

std::string shortenInMiddle(const std::string& text, float maxWidth,
                            const std::function<float(const std::string&)>& width)
{
    if (text.empty() || width(text) <= maxWidth) return text;
    static const std::string dots = "...";

    // Byte offsets where a character starts, and the end.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
    const std::size_t count = starts.size();
    starts.push_back(text.size());

    auto keeping = [&](std::size_t kept) {
        const std::size_t head = (kept + 1) / 2;
        const std::size_t tail = kept / 2;
        return text.substr(0, starts[head]) + dots + text.substr(starts[count - tail]);
    };
    // The width grows with the characters kept: find the most that fit.
    std::size_t low = 0, high = count - 1;   // keeping all of them did not fit
    while (low < high) {
        const std::size_t mid = (low + high + 1) / 2;
        if (width(keeping(mid)) <= maxWidth) low = mid;
        else high = mid - 1;
    }
    return keeping(low);
}

} // namespace ui
