#pragma once
// How much queued input one ImGui frame can take. This ImGui polls button
// and key state once per frame, so a button or key may change only once per
// frame for it to see every press and release (a quick click arrives as a
// press and a release together). Everything else goes in the same frame, so
// input never waits behind earlier input.
#include <algorithm>
#include <cstddef>
#include <vector>

namespace ui {

// The number of changes, from the front of queue, for the next frame: every
// change up to the first that touches a button or key an earlier one of
// them has touched already. edgesOf(change) gives the buttons and keys a
// change touches, as a std::vector<int>. At least one while any is queued.
template <class Queue, class EdgesOf>
std::size_t changesForOneFrame(const Queue& queue, EdgesOf edgesOf)
{
    std::vector<int> touched;
    std::size_t count = 0;
    for (const auto& change : queue) {
        const std::vector<int>& edges = edgesOf(change);
        const bool again = std::any_of(edges.begin(), edges.end(), [&](int e) {
            return std::find(touched.begin(), touched.end(), e) != touched.end();
        });
        if (again) break;
        touched.insert(touched.end(), edges.begin(), edges.end());
        ++count;
    }
    return count;
}

} // namespace ui
