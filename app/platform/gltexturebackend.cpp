#include "app/platform/gltexturebackend.h"

#include <GL/gl.h>

unsigned GlTextureBackend::createTexture()
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    return texture;
}

void GlTextureBackend::uploadTexture(unsigned texture, int width, int height, const std::uint8_t* pixels)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);   // rows are tightly packed bytes of any width
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Internal format 1: one component. The first row of pixels is row t = 0,
    // which lands at the bottom of the square.
    glTexImage2D(GL_TEXTURE_2D, 0, 1, width, height, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, pixels);
}

void GlTextureBackend::uploadRgbTexture(unsigned texture, int width, int height, const std::uint8_t* rgb)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
}

void GlTextureBackend::uploadPixelExact(unsigned texture, int width, int height, const std::uint8_t* pixels)
{
    uploadTexture(texture, width, height, pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

void GlTextureBackend::drawTexture(unsigned texture, float depth)
{
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, depth);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(1.0f, 0.0f, depth);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(1.0f, 1.0f, depth);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(0.0f, 1.0f, depth);
    glEnd();
}

void GlTextureBackend::drawTextureTiles(unsigned texture, float depth, float tileWidth, float tileHeight, int repeats)
{
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, texture);
    // One quad whose texture coordinates run to repeats: the texture wraps.
    // The next upload sets linear filtering again.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    const float n = static_cast<float>(repeats);
    const float right = tileWidth * n, top = tileHeight * n;
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, depth);
    glTexCoord2f(n, 0.0f);
    glVertex3f(right, 0.0f, depth);
    glTexCoord2f(n, n);
    glVertex3f(right, top, depth);
    glTexCoord2f(0.0f, n);
    glVertex3f(0.0f, top, depth);
    glEnd();
}

void GlTextureBackend::deleteTexture(unsigned texture)
{
    const GLuint name = texture;
    glDeleteTextures(1, &name);
}
