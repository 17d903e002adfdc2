#pragma once
// Joining EXR tiles into one image: tiles that patternlens-render wrote with
// --region (scripts/render-tiles.sh renders them on many processors and
// machines) each know where they lie, their data window inside a display
// window of the whole image. The joined file is the one render of the whole
// image, byte for byte: the rows go through the same encoder, a band of
// rows at a time, so the whole image is never held.
#include <string>
#include <vector>

namespace imagewriter {

// Joins tiles into the whole image at path, atomically (atomicfile.h). The
// tiles must share one display window, hold the one channel "Y" of one type
// (floats or halves) and lie in rows of tiles of one height, each row
// spanning the image side by side. Returns an empty string on success, else
// the reason (naming the tile at fault).
std::string joinExrTiles(const std::vector<std::string>& tiles, const std::string& path);

} // namespace imagewriter
