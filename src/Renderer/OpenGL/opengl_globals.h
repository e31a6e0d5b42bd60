#pragma once
// State, GPU handle records and globals of the OpenGL back end.
//
// This header and the other files of this directory are the only place that sees OpenGL. Only
// the core-profile header is included, for types and enums; the entry points themselves are our
// own function pointers, fetched by name through the platform at start-up and after every engine
// reload. They live in namespace ve so that they cannot collide with the prototypes of a system
// GL header elsewhere in the program.

#include <GL/glcorearb.h>

#include "Platform/machineDef.h"
#include "Core/Assets/assetDef.h"
#include "Math/v2.h"
#include "Math/v3.h"
#include "Math/v4.h"
#include "Memory/memory.h"
#include "Renderer/OpenGL/opengl_shaders.h"
#include "Util/Datastructures.h"

// =============================================================================================
// Entry points
// =============================================================================================
// Every GL function the renderer and the editor's GUI back end call, by family. The editor's GUI
// back end alone uses glDeleteTextures, glDeleteVertexArrays, glDeleteBuffers, glDeleteProgram,
// glDetachShader, glPixelStorei, glBindSampler, glScissor, glIsEnabled, glGetIntegerv,
// glGetAttribLocation, glPolygonMode, glBlendEquation, glBlendEquationSeparate and
// glBlendFuncSeparate.
#define VE_GL_ENTRY_POINTS(X)                                                                      \
    /* Textures */                                                                                 \
    X(PFNGLGENTEXTURESPROC, glGenTextures)                                                         \
    X(PFNGLBINDTEXTUREPROC, glBindTexture)                                                         \
    X(PFNGLTEXIMAGE2DPROC, glTexImage2D)                                                           \
    X(PFNGLTEXPARAMETERIPROC, glTexParameteri)                                                     \
    X(PFNGLGENERATEMIPMAPPROC, glGenerateMipmap)                                                   \
    X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                                                     \
    X(PFNGLDELETETEXTURESPROC, glDeleteTextures)                                                   \
    X(PFNGLPIXELSTOREIPROC, glPixelStorei)                                                         \
    X(PFNGLBINDSAMPLERPROC, glBindSampler)                                                         \
    /* Buffers and vertex arrays */                                                                \
    X(PFNGLGENVERTEXARRAYSPROC, glGenVertexArrays)                                                 \
    X(PFNGLBINDVERTEXARRAYPROC, glBindVertexArray)                                                 \
    X(PFNGLDELETEVERTEXARRAYSPROC, glDeleteVertexArrays)                                           \
    X(PFNGLGENBUFFERSPROC, glGenBuffers)                                                           \
    X(PFNGLBINDBUFFERPROC, glBindBuffer)                                                           \
    X(PFNGLBUFFERDATAPROC, glBufferData)                                                           \
    X(PFNGLBUFFERSUBDATAPROC, glBufferSubData)                                                     \
    X(PFNGLBINDBUFFERBASEPROC, glBindBufferBase)                                                   \
    X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers)                                                     \
    X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)                                         \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray)                                 \
    X(PFNGLGETATTRIBLOCATIONPROC, glGetAttribLocation)                                             \
    /* Frame buffers */                                                                            \
    X(PFNGLGENFRAMEBUFFERSPROC, glGenFramebuffers)                                                 \
    X(PFNGLBINDFRAMEBUFFERPROC, glBindFramebuffer)                                                 \
    X(PFNGLFRAMEBUFFERTEXTURE2DPROC, glFramebufferTexture2D)                                       \
    X(PFNGLDRAWBUFFERSPROC, glDrawBuffers)                                                         \
    X(PFNGLGENRENDERBUFFERSPROC, glGenRenderbuffers)                                               \
    X(PFNGLBINDRENDERBUFFERPROC, glBindRenderbuffer)                                               \
    X(PFNGLRENDERBUFFERSTORAGEPROC, glRenderbufferStorage)                                         \
    X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, glFramebufferRenderbuffer)                                 \
    /* Shaders and programs */                                                                     \
    X(PFNGLCREATESHADERPROC, glCreateShader)                                                       \
    X(PFNGLSHADERSOURCEPROC, glShaderSource)                                                       \
    X(PFNGLCOMPILESHADERPROC, glCompileShader)                                                     \
    X(PFNGLGETSHADERIVPROC, glGetShaderiv)                                                         \
    X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                                               \
    X(PFNGLDELETESHADERPROC, glDeleteShader)                                                       \
    X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                                                     \
    X(PFNGLATTACHSHADERPROC, glAttachShader)                                                       \
    X(PFNGLDETACHSHADERPROC, glDetachShader)                                                       \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram)                                                         \
    X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                                                       \
    X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)                                             \
    X(PFNGLUSEPROGRAMPROC, glUseProgram)                                                           \
    X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                                                     \
    /* Uniforms and uniform blocks */                                                              \
    X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)                                           \
    X(PFNGLUNIFORM1IPROC, glUniform1i)                                                             \
    X(PFNGLUNIFORM1IVPROC, glUniform1iv)                                                           \
    X(PFNGLUNIFORM1FVPROC, glUniform1fv)                                                           \
    X(PFNGLUNIFORM2FPROC, glUniform2f)                                                             \
    X(PFNGLUNIFORM3FVPROC, glUniform3fv)                                                           \
    X(PFNGLUNIFORM4FVPROC, glUniform4fv)                                                           \
    X(PFNGLUNIFORMMATRIX4FVPROC, glUniformMatrix4fv)                                               \
    X(PFNGLGETUNIFORMBLOCKINDEXPROC, glGetUniformBlockIndex)                                       \
    X(PFNGLGETACTIVEUNIFORMBLOCKIVPROC, glGetActiveUniformBlockiv)                                 \
    /* Drawing and fixed state */                                                                  \
    X(PFNGLDRAWELEMENTSPROC, glDrawElements)                                                       \
    X(PFNGLCLEARPROC, glClear)                                                                     \
    X(PFNGLCLEARCOLORPROC, glClearColor)                                                           \
    X(PFNGLVIEWPORTPROC, glViewport)                                                               \
    X(PFNGLSCISSORPROC, glScissor)                                                                 \
    X(PFNGLENABLEPROC, glEnable)                                                                   \
    X(PFNGLDISABLEPROC, glDisable)                                                                 \
    X(PFNGLISENABLEDPROC, glIsEnabled)                                                             \
    X(PFNGLGETINTEGERVPROC, glGetIntegerv)                                                         \
    X(PFNGLBLENDFUNCPROC, glBlendFunc)                                                             \
    X(PFNGLBLENDFUNCSEPARATEPROC, glBlendFuncSeparate)                                             \
    X(PFNGLBLENDEQUATIONPROC, glBlendEquation)                                                     \
    X(PFNGLBLENDEQUATIONSEPARATEPROC, glBlendEquationSeparate)                                     \
    X(PFNGLPOLYGONMODEPROC, glPolygonMode)                                                         \
    X(PFNGLDEPTHMASKPROC, glDepthMask)                                                             \
    X(PFNGLDEPTHFUNCPROC, glDepthFunc)                                                             \
    X(PFNGLSTENCILOPPROC, glStencilOp)                                                             \
    X(PFNGLSTENCILFUNCPROC, glStencilFunc)                                                         \
    X(PFNGLSTENCILMASKPROC, glStencilMask)                                                         \
    /* Debug output */                                                                             \
    X(PFNGLDEBUGMESSAGECALLBACKPROC, glDebugMessageCallback)

namespace ve {

#define VE_DECLARE_GL_ENTRY_POINT(type, name) extern type name;
VE_GL_ENTRY_POINTS(VE_DECLARE_GL_ENTRY_POINT)
#undef VE_DECLARE_GL_ENTRY_POINT

// Fetches every entry point above by its exact GL name through the platform's getGLProcAddr.
// A name the driver does not offer leaves its pointer null.
void loadGLEntryPoints();

// =============================================================================================
// GPU handle records
// =============================================================================================

// What the upload saw of a texture's texels, for the frame pipeline to pick a lit program: a
// texture of one colour need not be sampled, and one that is opaque everywhere needs no alpha
// test. A record made from a bare GL name (a colour buffer) knows neither, and has no asset id.
struct GLTexture {
    u32 id;
    u32 texel;       // the one texel (bytes r, g, b, a) when `singleColour`
    b8 singleColour; // every texel equals `texel`
    b8 opaque;       // every texel has alpha 255, or the alpha is a glow's mask
    u32 glowColour;  // of an albedo whose alpha is a glow's mask: the glow (bytes r, g, b, a)
    Hash asset;        // the asset's id
    Hash glowEmission; // of such an albedo: the emission the mask belongs to; all zeros otherwise
};

struct GLMesh {
    u32 vao;
    u32 pab; // positions
    u32 nab; // normals
    u32 tab; // texture coordinates
    u32 cab; // colours
    u32 ieb; // indices
};

struct ShaderProg {
    u32 glID;
};

// One value of the upload table, keyed by the asset's id. Only TEXTURE and MESH are stored.
struct GLMemoryEntry {
    enum TYPE : u32 { INVALID = 0, TEXTURE = 1, MESH = 2, SHADER = 3 };
    TYPE type;
    union {
        GLTexture texture;
        GLMesh mesh;
        ShaderProg shader;
    };
};

// Host mirror of the Material uniform block, byte for byte (52 bytes). The w of diffuse and
// specular carries no meaning.
struct GLBasicMaterial {
    v4 diffuse;
    v4 specular;
    v3 emitCol;
    f32 roughness;
    f32 metalness;
};

// One element of the Lights block's pLights array; w carries no meaning.
struct GLPLight {
    v4 pos;
    v4 col;
};

// =============================================================================================
// Uniform block layout (std140; byte offsets the host writes at)
// =============================================================================================

constexpr u32 matricesBinding = 1;
constexpr u32 materialBinding = 2;
constexpr u32 lightsBinding = 3;

constexpr msi matricesBlockSize = 320;
constexpr msi matricesViewOffset = 0;
constexpr msi matricesModelOffset = 128; // model, then mvp
constexpr msi matricesCamPosOffset = 304;
constexpr msi materialBlockSize = 52;
constexpr msi lightsBlockSize = 168;
constexpr u32 maxPointLights = 5;
constexpr msi lightsCountOffset = 160;
constexpr msi lightsAmbientOffset = 164;

static_assert(sizeof(GLBasicMaterial) == materialBlockSize, "Material block mirror");
static_assert(sizeof(GLPLight) * maxPointLights == lightsCountOffset, "Lights block mirror");

// =============================================================================================
// Back end state
// =============================================================================================

// Room in the upload table. The asset register holds at most 100 meshes and 100 textures and the
// built-in quad takes one more slot. The table is open-addressed with a fixed number of slots, so
// it gets about twice that; a prime count lets every probe sequence reach every slot.
constexpr msi maxUploadedAssets = 100 + 100 + 1;
constexpr msi uploadTableSlots = 409;
static_assert(uploadTableSlots >= 2 * maxUploadedAssets, "upload table load factor");

// Off-screen colour buffers live as long as the program: a scene switch marks them free and the
// next createColorBuffer takes a free one. More than this many at once (in one scene) are refused.
constexpr u32 maxColorBuffers = 64;

struct GLColorBuffer {
    u32 fbo;
    u32 texture;
    b8 inUse;
};

// Distinct missing uploads reported by name. Every asset the register can hold fits, plus the
// built-in names the pipeline looks up.
constexpr u32 maxReportedMissingUploads = 256;

struct RendererStateOpenGL {
    MemoryStore rendererStore; // the back end's own 64 MiB store; this record is its first block
    Table uplTable;            // asset Hash -> GLMemoryEntry
    Mesh quad;                 // the built-in unit quad, "Quad"
    BasicMat quadMat;          // the built-in material of quads, "QuadMat"
    ShaderProg shader;
    ShaderProg debugNormalShader;
    ShaderProg bloomShader;           // the first, downsampling horizontal blur pass
    ShaderProg bloomVerticalShader;   // the vertical passes in one
    ShaderProg bloomHorizontalShader; // the remaining horizontal passes in one
    ShaderProg additiveTextureShader; // the composite at gamma 0, whose exponent is 1
    ShaderProg gammaCompositeShader;  // the composite at any other gamma
    ShaderProg skyBoxShader;
    ShaderProg hudShader;
    ShaderProg billBoardShader;
    // physical_frag built once per variant that a draw can choose (markChoosableLitVariants), by
    // [alpha test bits][EmissionSource]; the others stay 0. `shader` is the two-sample one: both
    // alphas tested, the emission sampled.
    ShaderProg litShaders[ALPHA_TEST_VARIANTS][EMISSION_SOURCE_COUNT];
    u32 matUBO;
    u32 lightUBO;
    u32 basicMatUBO;
    u32 FBOs[3];         // [0] scene, [1] and [2] bloom ping-pong
    u32 colorBuffers[5]; // [0] scene colour, [1] bloom highlights, [2] horizontal blur,
                         // [3] vertical blur; [4] unused
    GLTexture skyBox;
    GLMesh quadVO;  // unused: the quad's GL objects live in the upload table
    v2 windowSize;  // size of every full-size render target, in pixels
    GLTexture blackTexture; // opaque black 1x1, drawn as the emission of records without one
    GLColorBuffer colorBufferPool[maxColorBuffers]; // created so far, in creation order
    u32 colorBufferCount;
    Hash reportedMissingUploads[maxReportedMissingUploads]; // ids already reported as missing
    u32 reportedMissingCount;
};

extern RendererStateOpenGL* rendererState;
extern MemoryStore* rendererStore;

} // namespace ve
