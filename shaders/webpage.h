#pragma once
// A layer and its tree as one self-contained HTML page: a full-window
// WebGL 2 canvas running the layer's GLSL ES shader (glslsource.h), which
// pans with a left drag and zooms with the wheel at the pointer as the
// viewer's drawing area does, moving every layer of the tree by the same
// pixels. It offers the canvas as a PNG and the scene with the views as
// moved there. Everything is inline: no network, no other file. The page is
// shaders/page.html with the shader, the views and the scene filled in.
//
// For tests, "#size=W,H&pan=DX,DY" after the page's address draws it at
// W x H pixels after a pan of (DX, DY) pixels, and hides the buttons.
#include <string>

class Renderable;

namespace webpage {

// name: the scene's file name, the page's title.
std::string write(const Renderable& top, const std::string& name);

} // namespace webpage
