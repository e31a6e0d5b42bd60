#include "Renderer/OpenGL/opengl_pipeline.h"

#include "Renderer/OpenGL/opengl_globals.h"

namespace ve {

// For now the window shows the frame's clear colour only; the passes that draw the frame's lists
// build on the targets and programs that the set-up creates.
void rendererOpenGLSubmitFrame(RenderFrame* frame) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, (GLsizei)rendererState->windowSize.x, (GLsizei)rendererState->windowSize.y);
    glClearColor(frame->clearColor.x, frame->clearColor.y, frame->clearColor.z, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

} // namespace ve
