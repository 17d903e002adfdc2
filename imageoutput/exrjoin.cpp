#include "imageoutput/exrjoin.h"

#include "imageoutput/exrencoder.h"
#include "layers/workerpool.h"
#include "persistence/atomicfile.h"

#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfInputFile.h>

#include <algorithm>
#include <exception>
#include <memory>

namespace imagewriter {

namespace {

// The rows read from every tile of a row of tiles, then written, at a time.
constexpr int rowsAtOnce = 64;

struct Tile {
    std::string path;
    Imath::Box2i data;
};

// Orders the tiles by rows of tiles, each left to right, and checks that
// they cover display: rows of one height, side by side across the width.
std::string arrange(std::vector<Tile>& tiles, const Imath::Box2i& display)
{
    std::sort(tiles.begin(), tiles.end(), [](const Tile& a, const Tile& b) {
        return a.data.min.y != b.data.min.y ? a.data.min.y < b.data.min.y : a.data.min.x < b.data.min.x;
    });
    int top = display.min.y, left = display.min.x;
    for (std::size_t k = 0; k < tiles.size(); ++k) {
        const Tile& tile = tiles[k];
        const bool sameRow = left != display.min.x;   // a row of tiles under way
        const int rowTop = sameRow ? tiles[k - 1].data.min.y : top;
        const int rowBottom = sameRow ? tiles[k - 1].data.max.y : tile.data.max.y;
        if (tile.data.min.y != rowTop || tile.data.max.y != rowBottom || tile.data.min.x != left ||
            tile.data.max.x > display.max.x)
            return tile.path + ": the tiles do not lie in rows that cover the image";
        left = tile.data.max.x + 1;
        if (left > display.max.x) {
            left = display.min.x;
            top = tile.data.max.y + 1;
        }
    }
    if (top != display.max.y + 1 || left != display.min.x) return "the tiles do not cover the whole image";
    return {};
}

} // namespace

std::string joinExrTiles(const std::vector<std::string>& paths, const std::string& path)
{
    if (paths.empty()) return "no tiles to join";
    std::vector<Tile> tiles;
    Imath::Box2i display;
    bool half = false;
    try {
        for (const std::string& tile : paths) {
            const Imf::InputFile in(tile.c_str());
            const Imf::Header& header = in.header();
            const Imf::Channel* y = header.channels().findChannel("Y");
            if (!y || y->type == Imf::UINT) return tile + ": no channel Y of floats or halves";
            if (tiles.empty()) {
                display = header.displayWindow();
                half = y->type == Imf::HALF;
            } else if (header.displayWindow() != display || (y->type == Imf::HALF) != half) {
                return tile + ": not a tile of the same image as " + tiles.front().path;
            }
            tiles.push_back({tile, header.dataWindow()});
        }
    } catch (const std::exception& e) {
        return e.what();
    }
    std::string error = arrange(tiles, display);
    if (!error.empty()) return error;

    const int width = display.max.x - display.min.x + 1, height = display.max.y - display.min.y + 1;
    return atomicfile::replace(path, [&](std::FILE* file) -> std::string {
        ExrEncoder encoder(file, width, height, Region{0, 0, width, height}, half, WorkerPool::instance().threadCount());
        std::string failure = encoder.begin();
        std::vector<float> rows(static_cast<std::size_t>(width) * rowsAtOnce);
        try {
            for (std::size_t first = 0; first < tiles.size() && failure.empty();) {
                // The tiles of one row, opened together and read a few rows
                // at a time into their columns of the band.
                std::size_t end = first;
                std::vector<std::unique_ptr<Imf::InputFile>> row;
                while (end < tiles.size() && tiles[end].data.min.y == tiles[first].data.min.y)
                    row.emplace_back(new Imf::InputFile(tiles[end++].path.c_str()));
                const Imath::Box2i& span = tiles[first].data;
                for (int y = span.min.y; y <= span.max.y && failure.empty(); y += rowsAtOnce) {
                    const int count = std::min(rowsAtOnce, span.max.y - y + 1);
                    for (std::size_t k = 0; k < row.size(); ++k) {
                        Imf::FrameBuffer frame;
                        const Imath::V2i origin(display.min.x, y);
                        frame.insert("Y", Imf::Slice::Make(Imf::FLOAT, rows.data(), origin, width, count, sizeof(float)));
                        row[k]->setFrameBuffer(frame);
                        row[k]->readPixels(y, y + count - 1);
                    }
                    failure = encoder.writeRows(rows.data(), count);
                }
                first = end;
            }
        } catch (const std::exception& e) {
            return e.what();
        }
        return failure.empty() ? encoder.finish() : failure;
    });
}

} // namespace imagewriter
