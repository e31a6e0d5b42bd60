#include "Renderer/OpenGL/opengl_globals.h"

#include "Core/engine_globals.h"
#include "Platform/ve_platform.h"

namespace ve {

RendererStateOpenGL* rendererState = nullptr;
MemoryStore* rendererStore = nullptr;

#define VE_DEFINE_GL_ENTRY_POINT(type, name) type name = nullptr;
VE_GL_ENTRY_POINTS(VE_DEFINE_GL_ENTRY_POINT)
#undef VE_DEFINE_GL_ENTRY_POINT

void loadGLEntryPoints() {
#define VE_LOAD_GL_ENTRY_POINT(type, name) name = (type)platform->getGLProcAddr((c8*)#name);
    VE_GL_ENTRY_POINTS(VE_LOAD_GL_ENTRY_POINT)
#undef VE_LOAD_GL_ENTRY_POINT
}

} // namespace ve
