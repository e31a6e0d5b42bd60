#pragma once
// Shared set-up of the OpenGL back end's windowed tests.
//
// Each test program opens one hidden 1440x900 window with an OpenGL 4.5 core context (Mesa's
// software rasteriser under Xvfb), points a test platform table at SDL's procedure lookup and
// builds the renderer once. Tests draw into small float targets of their own and read the pixels
// back, so what they compare is the shaders' arithmetic, not an 8-bit window.

#include <SDL.h>
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string>

#include "Core/engine_globals.h"
#include "Platform/ve_platform.h"
#include "Renderer/OpenGL/opengl_globals.h"
#include "Renderer/OpenGL/opengl_renderer.h"
#include "Renderer/renderer.h"

namespace gltest {

// =============================================================================================
// Entry points only the tests use (to inspect state the renderer never reads back)
// =============================================================================================
#define GLTEST_ENTRY_POINTS(X)                                                                     \
    X(PFNGLREADPIXELSPROC, glReadPixels)                                                           \
    X(PFNGLREADBUFFERPROC, glReadBuffer)                                                           \
    X(PFNGLTEXSUBIMAGE2DPROC, glTexSubImage2D)                                                     \
    X(PFNGLGETTEXIMAGEPROC, glGetTexImage)                                                         \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, glCheckFramebufferStatus)                                   \
    X(PFNGLGETTEXPARAMETERIVPROC, glGetTexParameteriv)                                             \
    X(PFNGLGETTEXPARAMETERFVPROC, glGetTexParameterfv)                                             \
    X(PFNGLGETTEXLEVELPARAMETERIVPROC, glGetTexLevelParameteriv)                                   \
    X(PFNGLGETBUFFERPARAMETERIVPROC, glGetBufferParameteriv)                                       \
    X(PFNGLGETINTEGERI_VPROC, glGetIntegeri_v)                                                     \
    X(PFNGLGETVERTEXATTRIBIVPROC, glGetVertexAttribiv)                                             \
    X(PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVPROC, glGetFramebufferAttachmentParameteriv)         \
    X(PFNGLISVERTEXARRAYPROC, glIsVertexArray)                                                     \
    X(PFNGLISTEXTUREPROC, glIsTexture)

#define GLTEST_DECLARE(type, name) inline type name = nullptr;
GLTEST_ENTRY_POINTS(GLTEST_DECLARE)
#undef GLTEST_DECLARE

// =============================================================================================
// The test platform
// =============================================================================================

// Everything printed through the platform, one line per call.
inline std::string printed;

inline void testPrint(string text) {
    printed.append((const char*)text.data, text.length);
    printed.push_back('\n');
}

inline buffer testAllocateMemory(msi size) { return buffer{size, (u8*)calloc(size, 1)}; }

inline void* testGetGLProcAddr(c8* name) { return SDL_GL_GetProcAddress(name); }

inline ve::PlatformAPI testPlatform = [] {
    ve::PlatformAPI api = {};
    api.print = testPrint;
    api.allocateMemory = testAllocateMemory;
    api.getGLProcAddr = testGetGLProcAddr;
    return api;
}();

// The renderer built once per test program.
inline ve::Renderer renderer = {};

// Opens the window and context, builds the renderer. Any failure ends the program: no GL test can
// run without a context.
class GLEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
        window = SDL_CreateWindow("Kestrolan GL test", SDL_WINDOWPOS_UNDEFINED,
                                  SDL_WINDOWPOS_UNDEFINED, 1440, 900,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        context = SDL_GL_CreateContext(window);
        ASSERT_NE(context, nullptr) << SDL_GetError();

        ve::platform = &testPlatform;
#define GLTEST_LOAD(type, name) name = (type)SDL_GL_GetProcAddress(#name);
        GLTEST_ENTRY_POINTS(GLTEST_LOAD)
#undef GLTEST_LOAD
        renderer = ve::createRendererOpenGL();
    }

    void TearDown() override {
        SDL_GL_DeleteContext(context);
        SDL_DestroyWindow(window);
        SDL_Quit();
    }

private:
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
};

inline ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new GLEnvironment);

// =============================================================================================
// Helpers
// =============================================================================================

inline GLint textureParameter(GLenum target, u32 texture, GLenum parameter) {
    GLint value = 0;
    ve::glBindTexture(target, texture);
    glGetTexParameteriv(target, parameter, &value);
    return value;
}

inline GLint textureLevelParameter(u32 texture, GLint level, GLenum parameter) {
    GLint value = 0;
    ve::glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, parameter, &value);
    return value;
}

inline ve::GLMemoryEntry* uploadEntry(const c8* name) {
    return (ve::GLMemoryEntry*)ve::getTblEntry(ve::hashASCIIZ(name),
                                                &ve::rendererState->uplTable);
}

// A texture record over pixels the caller keeps alive, id = hash of `name`.
inline ve::Texture makeTexture(const c8* name, u32 width, u32 height, u32* pixels) {
    ve::Texture texture = {};
    texture.id = ve::hashASCIIZ(name);
    texture.width = width;
    texture.height = height;
    texture.pixels = pixels;
    return texture;
}

// Uploads a one-pixel texture of colour `rgba` (bytes r, g, b, a) and returns its GL name.
inline u32 uploadSolidTexture(const c8* name, u32 rgba) {
    u32 pixel = rgba; // GL copies the pixels during the upload
    ve::Texture texture = makeTexture(name, 1, 1, &pixel);
    ve::uploadTexture(&texture);
    return uploadEntry(name)->texture.id;
}

inline u32 packRGBA(u8 r, u8 g, u8 b, u8 a) {
    return (u32)r | ((u32)g << 8) | ((u32)b << 16) | ((u32)a << 24);
}

// A float render target of a few pixels with `attachments` RGBA32F colour attachments and a
// depth-stencil buffer, bound for drawing with a matching viewport.
struct FloatTarget {
    u32 fbo;
    u32 colors[2];
    s32 size;
};

inline FloatTarget createFloatTarget(u32 attachments, s32 size = 8) {
    FloatTarget target = {};
    target.size = size;
    ve::glGenFramebuffers(1, &target.fbo);
    ve::glBindFramebuffer(GL_FRAMEBUFFER, target.fbo);
    GLenum drawBuffers[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    for (u32 i = 0; i < attachments; ++i) {
        ve::glGenTextures(1, &target.colors[i]);
        ve::glBindTexture(GL_TEXTURE_2D, target.colors[i]);
        ve::glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, size, size, 0, GL_RGBA, GL_FLOAT, nullptr);
        ve::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        ve::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        ve::glFramebufferTexture2D(GL_FRAMEBUFFER, drawBuffers[i], GL_TEXTURE_2D, target.colors[i], 0);
    }
    u32 depthStencil = 0;
    ve::glGenRenderbuffers(1, &depthStencil);
    ve::glBindRenderbuffer(GL_RENDERBUFFER, depthStencil);
    ve::glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, size, size);
    ve::glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                  depthStencil);
    ve::glDrawBuffers((GLsizei)attachments, drawBuffers);
    ve::glViewport(0, 0, size, size);
    return target;
}

// Clears every attachment of the bound target to `value` and depth and stencil to their defaults.
inline void clearTarget(f32 value) {
    ve::glClearColor(value, value, value, value);
    ve::glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

struct Pixel {
    f32 r, g, b, a;
};

// Reads one pixel of colour attachment `attachment` of the frame buffer `fbo`.
inline Pixel readPixel(u32 fbo, u32 attachment, s32 x, s32 y) {
    Pixel pixel = {};
    ve::glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    glReadBuffer(GL_COLOR_ATTACHMENT0 + attachment);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_FLOAT, &pixel);
    ve::glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    return pixel;
}

// Draws the built-in quad (6 indices) with whatever program and state are current.
inline void drawBuiltInQuad() {
    ve::glBindVertexArray(uploadEntry("Quad")->mesh.vao);
    ve::glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr);
}

} // namespace gltest
