#pragma once
// The OpenGL back end of the renderer table: creation, set-up and the resource operations.
//
// The GL context is created by the platform before the engine starts and must be current on the
// calling thread. All GL objects are made once, at start-up, and live until the program ends.

#include <GL/glcorearb.h>

#include "Platform/machineDef.h"
#include "Core/Assets/assetDef.h"
#include "Math/v2.h"
#include "Math/v4.h"
#include "Renderer/renderer.h"

namespace ve {

// Builds the back end in a 64 MiB store of its own, fills the table and sets up every GL object.
Renderer createRendererOpenGL();

// Slot 1: refills the table's slots, re-points ve::rendererState and ve::rendererStore at the
// table's state and fetches the GL entry points again. The GL objects survive untouched.
void rendererOpenGLReload(Renderer* renderer);

// The one-time set-up that createRendererOpenGL runs after the first reload.
void rendererOpenGLInit();

// Builds every program the back end draws with into `state`: the lit variants, the normals, the
// three blur passes, the two composites, the sky, the HUD and the billboards. Part of the set-up.
struct RendererStateOpenGL;
void createShaderPrograms(RendererStateOpenGL* state);

// Slot 2: GPU copy of a texture, with mipmaps, repeat wrapping and trilinear filtering (no
// anisotropic filter), keyed by its id.
// Uploading an id again reuses its table entry, which then names the new GL texture.
void uploadTexture(Texture* texture);

// Slot 3: GPU copy of a mesh (four attribute buffers and an index buffer), keyed by its id.
void uploadMesh(Mesh* mesh);

// Slot 4: the sky cube map from six faces in the order +X, -X, +Y, -Y, +Z, -Z. Not entered in the
// upload table.
void createSkybox(Texture** faces);

// Slot 7: a window-sized off-screen colour buffer. Returns (frame buffer, colour texture) as
// floats. A buffer given back by releaseCustomColorBuffers is reused, cleared to transparent
// black; otherwise a new one is made. With maxColorBuffers in use the result is (0, 0): no
// buffer. The window's frame buffer is bound again on return.
v2 createCustomColorBuffer();

// Slot 8: fills an off-screen colour buffer with one colour; the window's frame buffer is bound
// again on return.
void clearCustomColorBuffer(u32 fbo, v4 color);

// Slot 9: every buffer that createCustomColorBuffer handed out becomes free for reuse. The GL
// objects stay: the next scene's texts take them over.
void releaseCustomColorBuffers();

// Debug output: one line per message of high, medium or low severity ("GL CALLBACK: ..."); high
// and medium go to standard error, low to standard output, notifications nowhere.
void MessageCallback(GLenum source, GLenum type, GLuint id, GLenum severity, GLsizei length,
                     const GLchar* message, const void* userParam);

} // namespace ve
