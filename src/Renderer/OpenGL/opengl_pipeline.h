#pragma once
// The frame pipeline of the OpenGL back end: slot 6 of the renderer table.

#include "Renderer/renderer.h"

namespace ve {

// Draws a filled render frame into the window. The window's frame buffer is bound on return.
void rendererOpenGLSubmitFrame(RenderFrame* frame);

} // namespace ve
