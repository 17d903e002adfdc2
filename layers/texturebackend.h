#pragma once
#include <cstdint>

// Where a layer's grey pixels become something visible. The viewer installs
// an OpenGL implementation in the layer controller; without one (tests, the
// command-line renderer) layers only fill their pixel buffers.
class TextureBackend {
public:
    virtual ~TextureBackend() = default;
    // A new texture name; 0 means none could be made.
    virtual unsigned createTexture() = 0;
    virtual void uploadTexture(unsigned texture, int width, int height, const std::uint8_t* pixels) = 0;
    // A texture shown at its own size, each pixel on one screen pixel: never
    // blended with its neighbours, so the screen holds its very bytes.
    virtual void uploadPixelExact(unsigned texture, int width, int height, const std::uint8_t* pixels)
    {
        uploadTexture(texture, width, height, pixels);
    }
    // A picture in colour, three bytes a pixel (a view other than Grey).
    // Backends that show no colour keep the texture as it was.
    virtual void uploadRgbTexture(unsigned, int, int, const std::uint8_t*) {}
    virtual void drawTexture(unsigned texture, float depth) = 0;
    // The texture as repeats x repeats tiles from the lower left corner of
    // the unit square, each tile tileWidth x tileHeight of it, drawn without
    // filtering: the tile preview shows each pixel as one screen pixel.
    virtual void drawTextureTiles(unsigned texture, float depth, float tileWidth, float tileHeight, int repeats) = 0;
    virtual void deleteTexture(unsigned texture) = 0;
};
