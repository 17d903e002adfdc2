// Renders a scene into memory and saves it as a PGM: the bytes that
// `patternlens-render --size WIDTHxHEIGHT SCENE OUT.pgm` writes.
//
//   g++ -std=c++17 embed.cpp -o embed $(pkg-config --cflags --libs patternlens)
//   ./embed scene.xml 1024 768 out.pgm
#include <patternlens/patternlens.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: embed SCENE WIDTH HEIGHT OUT.pgm\n");
        return 2;
    }
    try {
        const patternlens::Scene scene = patternlens::Scene::load(argv[1]);
        patternlens::Frame frame;
        frame.width = std::stoll(argv[2]);
        frame.height = std::stoll(argv[3]);
        std::vector<std::uint8_t> grey(frame.width * frame.height);   // one byte a pixel, top row first
        scene.render(frame, patternlens::Samples::uint8, grey.data(), frame.width);

        std::FILE* out = std::fopen(argv[4], "wb");
        const bool written = out && std::fprintf(out, "P5\n%lld %lld\n255\n", frame.width, frame.height) > 0 &&
                             std::fwrite(grey.data(), 1, grey.size(), out) == grey.size();
        if (!out || std::fclose(out) != 0 || !written) throw std::runtime_error(std::string(argv[4]) + ": not written");
    } catch (const std::exception& e) {   // patternlens::Error: a refused scene, a bad size...
        std::fprintf(stderr, "embed: %s\n", e.what());
        return 1;
    }
}
