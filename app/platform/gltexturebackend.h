#pragma once
#include "layers/texturebackend.h"

// Layer textures in OpenGL 1.1: one luminance component per pixel, linear
// filtering (nearest for pictures shown pixel for pixel), drawn on the unit
// square that the viewer's projection stretches over the drawing area. Needs
// the viewer's GL context to be current.
class GlTextureBackend : public TextureBackend {
public:
    unsigned createTexture() override;
    void uploadTexture(unsigned texture, int width, int height, const std::uint8_t* pixels) override;
    void uploadPixelExact(unsigned texture, int width, int height, const std::uint8_t* pixels) override;
    void uploadRgbTexture(unsigned texture, int width, int height, const std::uint8_t* rgb) override;
    void drawTexture(unsigned texture, float depth) override;
    void drawTextureTiles(unsigned texture, float depth, float tileWidth, float tileHeight, int repeats) override;
    void deleteTexture(unsigned texture) override;
};
