#include "Renderer/OpenGL/opengl_renderer.h"

#include <stdio.h>

#include "Core/engine_globals.h"
#include "Math/utilMath.h"
#include "Memory/memory.h"
#include "Platform/ve_platform.h"
#include "Renderer/OpenGL/opengl_draw.h"
#include "Renderer/OpenGL/opengl_globals.h"
#include "Renderer/OpenGL/opengl_pipeline.h"
#include "Renderer/OpenGL/opengl_shaders.h"
#include "Renderer/bloomKernel.h"
#include "Util/Datastructures.h"
#include "Util/string.h"

namespace ve {

namespace detail {

constexpr msi rendererStoreSize = 64ull * 1024 * 1024;

// The built-in unit quad: corners at +-0.5 in the plane z = 0, facing along -z.
v4 builtInQuadPositions[4] = {
    {-0.5f, -0.5f, 0.0f, 1.0f}, {0.5f, -0.5f, 0.0f, 1.0f}, {0.5f, 0.5f, 0.0f, 1.0f}, {-0.5f, 0.5f, 0.0f, 1.0f}};
v4 builtInQuadNormals[4] = {
    {0.0f, 0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, -1.0f, 0.0f}};
v2 builtInQuadTexCoords[4] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
v4 builtInQuadColors[4] = {
    {1.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}};
u32 builtInQuadIndices[6] = {0, 1, 3, 1, 2, 3};
c8 builtInQuadName[] = "Quad";
c8 builtInQuadMatName[] = "QuadMat";

// =============================================================================================
// Set-up steps
// =============================================================================================

void createBuiltInQuad(RendererStateOpenGL* state) {
    Mesh* quad = &state->quad;
    quad->id = hashASCIIZ(builtInQuadName);
    quad->numVertices = 4;
    quad->numIndices = 6;
    quad->nameLength = sizeof(builtInQuadName) - 1;
    quad->name = builtInQuadName;
    quad->positions = builtInQuadPositions;
    quad->normals = builtInQuadNormals;
    quad->texCoord = builtInQuadTexCoords;
    quad->colors = builtInQuadColors;
    quad->indices = builtInQuadIndices;
    uploadMesh(quad);

    BasicMat* quadMat = &state->quadMat;
    quadMat->id = hashASCIIZ(builtInQuadMatName);
    quadMat->nameLength = sizeof(builtInQuadMatName) - 1;
    quadMat->name = builtInQuadMatName;
    quadMat->diffuse = {1.0f, 1.0f, 1.0f};
    quadMat->specular = {1.0f, 1.0f, 1.0f};
    quadMat->emitCol = {0.0f, 0.0f, 0.0f};
    quadMat->roughness = 0.8f;
    quadMat->metalness = 0.4f;
}

void setFixedState() {
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_FRAMEBUFFER_SRGB);
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_STENCIL_TEST);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glStencilFunc(GL_ALWAYS, 1, 0xFF);
    glStencilMask(0xFF);
}

// The size a uniform buffer needs for a block: what the std140 layout lays out, or more when the
// driver pads the block (Mesa rounds Material up to 64 and Lights to 176 bytes). Binding a range
// smaller than the driver's block size leaves the block unusable for drawing.
msi uniformBlockSize(u32 program, const c8* blockName, msi layoutSize) {
    GLuint blockIndex = glGetUniformBlockIndex(program, blockName);
    if (blockIndex == GL_INVALID_INDEX) return layoutSize;
    GLint reportedSize = 0;
    glGetActiveUniformBlockiv(program, blockIndex, GL_UNIFORM_BLOCK_DATA_SIZE, &reportedSize);
    return reportedSize > (GLint)layoutSize ? (msi)reportedSize : layoutSize;
}

u32 createUniformBuffer(u32 binding, msi size, GLenum usage) {
    u32 ubo = 0;
    glGenBuffers(1, &ubo);
    glBindBuffer(GL_UNIFORM_BUFFER, ubo);
    glBindBufferBase(GL_UNIFORM_BUFFER, binding, ubo);
    glBufferData(GL_UNIFORM_BUFFER, (GLsizeiptr)size, nullptr, usage);
    return ubo;
}

// The lit program declares all three blocks, so it answers for their driver sizes.
void createUniformBuffers(RendererStateOpenGL* state) {
    u32 program = state->shader.glID;
    state->matUBO = createUniformBuffer(
        matricesBinding, uniformBlockSize(program, "Matrices", matricesBlockSize), GL_STREAM_DRAW);
    state->basicMatUBO = createUniformBuffer(
        materialBinding, uniformBlockSize(program, "Material", materialBlockSize), GL_STREAM_DRAW);
    state->lightUBO = createUniformBuffer(
        lightsBinding, uniformBlockSize(program, "Lights", lightsBlockSize), GL_DYNAMIC_DRAW);
}

// A floating-point colour texture for rendering into: linear filtering, clamped to its edge, no
// mipmaps. Left bound as GL_TEXTURE_2D.
u32 createTargetTexture(GLint internalFormat, GLenum format, s32 width, s32 height) {
    u32 texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, format, GL_FLOAT, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}

// The scene target: colour in attachment 0, bloom highlights in attachment 1, and a combined
// depth and stencil render buffer (the outline pass needs the stencil).
void createSceneFramebuffer(RendererStateOpenGL* state) {
    s32 width = (s32)state->windowSize.x;
    s32 height = (s32)state->windowSize.y;
    glGenFramebuffers(1, &state->FBOs[0]);
    glBindFramebuffer(GL_FRAMEBUFFER, state->FBOs[0]);

    u32 depthStencil = 0;
    glGenRenderbuffers(1, &depthStencil);
    glBindRenderbuffer(GL_RENDERBUFFER, depthStencil);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              depthStencil);

    for (u32 i = 0; i < 2; ++i) {
        state->colorBuffers[i] = createTargetTexture(GL_RGB16F, GL_RGB, width, height);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, GL_TEXTURE_2D,
                               state->colorBuffers[i], 0);
    }
    GLenum attachments[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    glDrawBuffers(2, attachments);
}

// The two bloom ping-pong targets at half the window size in each direction (truncated).
void createBloomFramebuffers(RendererStateOpenGL* state) {
    s32 width = (s32)(state->windowSize.x * 0.5f);
    s32 height = (s32)(state->windowSize.y * 0.5f);
    for (u32 i = 1; i < 3; ++i) {
        glGenFramebuffers(1, &state->FBOs[i]);
        glBindFramebuffer(GL_FRAMEBUFFER, state->FBOs[i]);
        state->colorBuffers[i + 1] = createTargetTexture(GL_RGB16F, GL_RGB, width, height);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                               state->colorBuffers[i + 1], 0);
    }
}

// Inserts (or finds) the asset's entry in the upload table and marks its kind.
GLMemoryEntry* claimUploadEntry(Hash id, GLMemoryEntry::TYPE type) {
    GLMemoryEntry* entry = (GLMemoryEntry*)createNewTblEntry(id, &rendererState->uplTable);
    entry->type = type;
    return entry;
}

// One vertex attribute in its own tightly packed float buffer.
void uploadVertexAttribute(u32 buffer, u32 location, s32 components, msi bytes, const void* data) {
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)bytes, data, GL_STATIC_DRAW);
    glVertexAttribPointer(location, components, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(location);
}

// True when every texel has the same colour (and there is at least one). Such a texture samples
// as that colour under any filter, mipmap level and coordinate.
b8 isSingleColour(Texture* texture) {
    msi texelCount = (msi)texture->width * texture->height;
    if (texelCount == 0) return 0;
    const u32* texels = (const u32*)texture->pixels;
    for (msi i = 1; i < texelCount; ++i) {
        if (texels[i] != texels[0]) return 0;
    }
    return 1;
}

// True when every texel has alpha 255 (bytes r, g, b, a: alpha is the high byte).
b8 isOpaque(Texture* texture) {
    msi texelCount = (msi)texture->width * texture->height;
    const u32* texels = (const u32*)texture->pixels;
    for (msi i = 0; i < texelCount; ++i) {
        if ((texels[i] >> 24) != 0xFFu) return 0;
    }
    return 1;
}

// A window-sized RGBA target of its own frame buffer; the window's frame buffer is bound again on
// return, so whatever draws next outside the frame pipeline lands in the window.
void createColorBufferObjects(RendererStateOpenGL* state, GLColorBuffer* target) {
    glGenFramebuffers(1, &target->fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, target->fbo);
    target->texture = createTargetTexture(GL_RGBA, GL_RGBA, (s32)state->windowSize.x, (s32)state->windowSize.y);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target->texture, 0);
    GLenum attachment = GL_COLOR_ATTACHMENT0;
    glDrawBuffers(1, &attachment);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

GLColorBuffer* findFreeColorBuffer(RendererStateOpenGL* state) {
    for (u32 i = 0; i < state->colorBufferCount; ++i) {
        if (!state->colorBufferPool[i].inUse) return &state->colorBufferPool[i];
    }
    return nullptr;
}

// =============================================================================================
// Debug message names
// =============================================================================================

const c8* debugSourceName(GLenum source) {
    switch (source) {
    case GL_DEBUG_SOURCE_API: return "API";
    case GL_DEBUG_SOURCE_WINDOW_SYSTEM: return "Window System";
    case GL_DEBUG_SOURCE_SHADER_COMPILER: return "Shader Compiler";
    case GL_DEBUG_SOURCE_APPLICATION: return "Application";
    case GL_DEBUG_SOURCE_OTHER: return "Other";
    default: return "Unknown";
    }
}

const c8* debugTypeName(GLenum type) {
    switch (type) {
    case GL_DEBUG_TYPE_ERROR: return "Error";
    case GL_DEBUG_TYPE_DEPRECATED_BEHAVIOR: return "Deprecated Behavior";
    case GL_DEBUG_TYPE_UNDEFINED_BEHAVIOR: return "Undefined Behavior";
    case GL_DEBUG_TYPE_PERFORMANCE: return "Performance";
    case GL_DEBUG_TYPE_OTHER: return "Other";
    default: return "Unknown";
    }
}

} // namespace detail

void createShaderPrograms(RendererStateOpenGL* state) {
    b8 choosable[ALPHA_TEST_VARIANTS][EMISSION_SOURCE_COUNT] = {};
    markChoosableLitVariants(choosable);
    for (u32 alphaTest = 0; alphaTest < ALPHA_TEST_VARIANTS; ++alphaTest) {
        for (u32 source = 0; source < EMISSION_SOURCE_COUNT; ++source) {
            if (!choosable[alphaTest][source]) continue;
            state->litShaders[alphaTest][source].glID =
                createLitProg(vertex_shader, LitVariant{alphaTest, (EmissionSource)source});
        }
    }
    state->shader = state->litShaders[ALPHA_TEST_ALBEDO | ALPHA_TEST_EMISSION][(u32)EmissionSource::SAMPLED];
    state->debugNormalShader.glID =
        createShaderProg(drawNormVertShader, drawNormFragShader, drawNormGeomShader);
    state->bloomShader.glID = createBlurProg(linearTaps(downsamplingBlurKernel()), 1);
    state->bloomVerticalShader.glID = createBlurProg(linearTaps(repeatedBlurKernel(BLOOM_ITERATIONS)), 0);
    state->bloomHorizontalShader.glID = createBlurProg(linearTaps(repeatedBlurKernel(BLOOM_ITERATIONS - 1)), 1);
    state->additiveTextureShader.glID = createCompositeProg(0);
    state->gammaCompositeShader.glID = createCompositeProg(1);
    state->skyBoxShader.glID = createShaderProg(skybox_vert, skybox_frag, nullptr);
    state->hudShader.glID = createShaderProg(hud_vert, hud_frag, nullptr);
    state->billBoardShader.glID = createShaderProg(billboard_vert, physical_frag, nullptr);
}

// =============================================================================================
// Creation and reload
// =============================================================================================

Renderer createRendererOpenGL() {
    Renderer renderer = {};
    MemoryStore store = createHeapStore(platform->allocateMemory(detail::rendererStoreSize));
    RendererStateOpenGL* state =
        (RendererStateOpenGL*)pushToHeap(&store, sizeof(RendererStateOpenGL));
    VE_ASSERT_NOT_NULL(state);
    zeroSize(sizeof(RendererStateOpenGL), state);
    // Copied after the push, so the state's own store already accounts for the state record.
    state->rendererStore = store;
    renderer.rendererState = state;
    rendererOpenGLReload(&renderer);
    rendererOpenGLInit();
    return renderer;
}

void rendererOpenGLReload(Renderer* renderer) {
    renderer->reloadRendererGlobals = rendererOpenGLReload;
    renderer->uplTexture = uploadTexture;
    renderer->uplMesh = uploadMesh;
    renderer->createSkyBox = createSkybox;
    renderer->createFrame = rendererCreateFrame;
    renderer->submitFrame = rendererOpenGLSubmitFrame;
    renderer->createColorBuffer = createCustomColorBuffer;
    renderer->clearColorBuffer = clearCustomColorBuffer;
    renderer->releaseColorBuffers = releaseCustomColorBuffers;
    rendererState = (RendererStateOpenGL*)renderer->rendererState;
    rendererStore = &rendererState->rendererStore;
    loadGLEntryPoints();
}

void rendererOpenGLInit() {
    RendererStateOpenGL* state = rendererState;
    state->uplTable = createTbl(sizeof(GLMemoryEntry), uploadTableSlots, rendererStore);
    // Fixed, not read from the window: every full-size target has this size.
    state->windowSize = {1440.0f, 900.0f};
    glDebugMessageCallback(MessageCallback, nullptr);
    detail::createBuiltInQuad(state);
    createBlackTexture(state);
    createShaderPrograms(state);
    detail::setFixedState();
    detail::createUniformBuffers(state);
    detail::createSceneFramebuffer(state);
    detail::createBloomFramebuffers(state);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// =============================================================================================
// Resources
// =============================================================================================

void uploadTexture(Texture* texture) {
    GLMemoryEntry* entry = detail::claimUploadEntry(texture->id, GLMemoryEntry::TEXTURE);
    glGenTextures(1, &entry->texture.id);
    glBindTexture(GL_TEXTURE_2D, entry->texture.id);
    entry->texture.asset = texture->id;
    entry->texture.glowEmission = texture->glowEmission;
    entry->texture.glowColour = texture->glowColour;
    // A glow's mask in the alpha leaves the albedo itself opaque, whether or not its glow is drawn.
    entry->texture.opaque = texture->alphaIsGlowMask || detail::isOpaque(texture);
    entry->texture.singleColour = detail::isSingleColour(texture);
    if (entry->texture.singleColour) {
        entry->texture.texel = texture->pixels[0];
        storeSingleTexel(texture->pixels[0]);
        return;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Trilinear, without the anisotropic filter. The software rasteriser's anisotropic filter
    // loops over every texel of the footprint it derives from the pixel's texture-coordinate
    // steps, and beside a face seen nearly edge-on those steps are extrapolated without bound: one
    // cube drawn so took 20 s of a frame. Its cost per pixel has no bound, so it is not used.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, (GLsizei)texture->width, (GLsizei)texture->height, 0,
                 GL_RGBA, GL_UNSIGNED_BYTE, texture->pixels);
    glGenerateMipmap(GL_TEXTURE_2D);
}

void uploadMesh(Mesh* mesh) {
    // The sky pass always draws SKY_INDEX_COUNT indices of this mesh: a shorter one from a damaged
    // pack would have the GPU read past its index buffer. Left out, the sky is skipped instead.
    if (mesh->id == hashASCIIZ(SKY_MESH_NAME) && mesh->numIndices < SKY_INDEX_COUNT) {
        platform->print(wrapASCIIZ("Renderer: \"skybox_mesh\" has fewer than 36 indices; the sky is not drawn"));
        return;
    }
    GLMemoryEntry* entry = detail::claimUploadEntry(mesh->id, GLMemoryEntry::MESH);
    GLMesh* glMesh = &entry->mesh;
    glGenVertexArrays(1, &glMesh->vao);
    // pab, nab, tab, cab and ieb are consecutive in the record.
    glGenBuffers(5, &glMesh->pab);
    glBindVertexArray(glMesh->vao);

    msi vertices = mesh->numVertices;
    detail::uploadVertexAttribute(glMesh->pab, 0, 4, vertices * sizeof(v4), mesh->positions);
    detail::uploadVertexAttribute(glMesh->nab, 1, 4, vertices * sizeof(v4), mesh->normals);
    detail::uploadVertexAttribute(glMesh->tab, 2, 2, vertices * sizeof(v2), mesh->texCoord);
    detail::uploadVertexAttribute(glMesh->cab, 3, 4, vertices * sizeof(v4), mesh->colors);

    // The vertex array stays bound and records the index buffer.
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, glMesh->ieb);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, (GLsizeiptr)(mesh->numIndices * sizeof(u32)),
                 mesh->indices, GL_STATIC_DRAW);
}

void createSkybox(Texture** faces) {
    RendererStateOpenGL* state = rendererState;
    glGenTextures(1, &state->skyBox.id);
    glBindTexture(GL_TEXTURE_CUBE_MAP, state->skyBox.id);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    for (u32 i = 0; i < 6; ++i) {
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, 0, GL_RGB, (GLsizei)faces[i]->width,
                     (GLsizei)faces[i]->height, 0, GL_RGBA, GL_UNSIGNED_BYTE, faces[i]->pixels);
    }
    glGenerateMipmap(GL_TEXTURE_CUBE_MAP);
}

v2 createCustomColorBuffer() {
    RendererStateOpenGL* state = rendererState;
    GLColorBuffer* reused = detail::findFreeColorBuffer(state);
    if (reused) {
        reused->inUse = 1;
        // What the buffer showed in the scene that held it before must not show in this one.
        clearCustomColorBuffer(reused->fbo, v4{0.0f, 0.0f, 0.0f, 0.0f});
        return {(f32)reused->fbo, (f32)reused->texture};
    }
    if (state->colorBufferCount == maxColorBuffers) {
        platform->print(wrapASCIIZ("Renderer: no room for another off-screen colour buffer; its text is not drawn"));
        return {0.0f, 0.0f};
    }
    GLColorBuffer* created = &state->colorBufferPool[state->colorBufferCount++];
    detail::createColorBufferObjects(state, created);
    created->inUse = 1;
    return {(f32)created->fbo, (f32)created->texture};
}

void clearCustomColorBuffer(u32 fbo, v4 color) {
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glClearColor(color.x, color.y, color.z, color.w);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void releaseCustomColorBuffers() {
    RendererStateOpenGL* state = rendererState;
    for (u32 i = 0; i < state->colorBufferCount; ++i) state->colorBufferPool[i].inUse = 0;
}

// =============================================================================================
// Debug output
// =============================================================================================

void MessageCallback(GLenum source, GLenum type, GLuint, GLenum severity, GLsizei,
                     const GLchar* message, const void*) {
    FILE* stream = nullptr;
    const c8* severityName = nullptr;
    switch (severity) {
    case GL_DEBUG_SEVERITY_HIGH: stream = stderr; severityName = "High"; break;
    case GL_DEBUG_SEVERITY_MEDIUM: stream = stderr; severityName = "Medium"; break;
    case GL_DEBUG_SEVERITY_LOW: stream = stdout; severityName = "Low"; break;
    default: return; // notifications are not worth a line each
    }
    fprintf(stream, "GL CALLBACK: %s source = %s, type = %s, severity = %s\n", message,
            detail::debugSourceName(source), detail::debugTypeName(type), severityName);
}

} // namespace ve
