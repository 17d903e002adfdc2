#pragma once
// Text files of the project compiled into the engine, each a NUL-ended
// character array (cmake/EmbedText.cmake writes their definitions).
namespace embeddedtext {

extern const char glslLibrary[];    // shaders/library.glsl
extern const char pageTemplate[];   // shaders/page.html

} // namespace embeddedtext
