#pragma once
// The renderer's table of operations and the per-frame render list.
//
// The engine never talks to the graphics API: it holds one `Renderer` whose slots the back end
// fills, asks it for a fresh `RenderFrame` every frame, lets the entities push what they want drawn
// and hands the frame to `submitFrame`. A frame and all its chunks live in the temporary store and
// die at the next `createFrame`.

#include "Platform/machineDef.h"
#include "Util/Datastructures.h"
#include "Renderer/renderInstances.h"

namespace ve {

// Entries per chunk of each list of the frame. Fixed: a 17th light, a 31st opaque quad or a 6th
// transparent quad opens a second chunk.
constexpr msi POINT_LIGHTS_PER_CHUNK = 16;
constexpr msi QUADS_PER_CHUNK = 30;
constexpr msi TRANS_QUADS_PER_CHUNK = 5;
constexpr msi RENDER_TO_TEX_QUADS_PER_CHUNK = 16;
constexpr msi MESHES_PER_CHUNK = 16;
constexpr msi HUD_ELEMENTS_PER_CHUNK = 16;
constexpr msi PARTICLE_SYSTEMS_PER_CHUNK = 16;

struct RenderFrame {
    v3 clearColor;
    ChunkStore pointLights;      // PointLight
    ChunkStore quads;            // QuadInstance, opaque
    ChunkStore transQuads;       // QuadInstance, blended and sorted
    ChunkStore renderToTexQuads; // QuadInstance, drawn into their `fbo`
    ChunkStore meshes;           // MeshInstance
    ChunkStore hudElements;      // QuadInstance in normalised device coordinates
    ChunkStore particleSystems;  // ParticleSystem; no pass draws them
    Camera cam;

    // Argument order differs from field order: `emission` follows `texture` (and `material` for
    // meshes) here but is the last field of the records.
    void setClearCol(v3 col);
    void pointLight(v3 pos, v3 col, v3 attenuation);
    void quad(v3 position, mat3 rotation, v3 scale, Texture* texture, Texture* emission, v2 uvScale,
              v2 uvOffset, v4 outline);
    // Onto `renderToTexQuads` when `fbo` is not 0, else onto `transQuads`.
    void transQuad(v3 position, mat3 rotation, v3 scale, Texture* texture, Texture* emission,
                   v2 uvScale, v2 uvOffset, v4 outline, u32 fbo, u32 colorBuf);
    void hudElement(v3 position, mat3 rotation, v3 scale, Texture* texture, Texture* emission,
                    v2 uvScale, v2 uvOffset, v4 outline);
    void mesh(v3 position, mat3 rotation, v3 scale, Mesh* mesh, Texture* texture, BasicMat* material,
              Texture* emission, v2 uvScale, v2 uvOffset, v4 outline);

    // Finished records, pushed unchanged onto the list of their kind.
    void pointLight(PointLight light);
    void quad(QuadInstance instance);
    void mesh(MeshInstance instance);
    void particleSystem(ParticleSystem system);
};

struct Renderer;

typedef void (*renderer_reloadGlobalsFuncPtr)(Renderer* renderer);
typedef void (*renderer_UplTextureFuncPtr)(Texture* texture);
typedef void (*renderer_UplMeshFuncPtr)(Mesh* mesh);
typedef void (*renderer_CreateSkyBoxFuncPtr)(Texture** faces); // +X, -X, +Y, -Y, +Z, -Z
typedef RenderFrame (*renderer_createFrameFuncPtr)();
typedef void (*renderer_SubmitFrameFuncPtr)(RenderFrame* frame);
typedef v2 (*renderer_CreateColorBufFuncPtr)(); // x: frame buffer name, y: colour texture name
typedef void (*renderer_ClearColorBuffFuncPtr)(u32 fbo, v4 color);
typedef void (*renderer_ReleaseColorBuffersFuncPtr)();

enum RendererType : u32 {
    OPENGL = 0,
};

// The first member of the engine state. Created zero-filled, so `info.type` is OPENGL.
struct Renderer {
    renderer_reloadGlobalsFuncPtr reloadRendererGlobals;
    renderer_UplTextureFuncPtr uplTexture;
    renderer_UplMeshFuncPtr uplMesh;
    renderer_CreateSkyBoxFuncPtr createSkyBox;
    renderer_createFrameFuncPtr createFrame;
    renderer_SubmitFrameFuncPtr submitFrame;
    renderer_CreateColorBufFuncPtr createColorBuffer;
    renderer_ClearColorBuffFuncPtr clearColorBuffer;
    // Every colour buffer that createColorBuffer handed out belongs to an entity of the current
    // scene, and entities have no unload step: the scene switch gives them all back at once, and
    // later createColorBuffer calls reuse them instead of making new ones.
    renderer_ReleaseColorBuffersFuncPtr releaseColorBuffers;
    RenderFrame frame;
    void* rendererState; // the back end's own record; the front end never looks inside
    struct RendererInfo {
        RendererType type;
    } info;
};

// A new empty frame: resets the temporary store (releasing the previous frame and everything else
// allocated from it) and creates the seven lists on it. Nothing is allocated until the first push.
RenderFrame rendererCreateFrame();

} // namespace ve
