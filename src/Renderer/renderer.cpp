#include "Renderer/renderer.h"

#include "Core/engine_globals.h"
#include "Memory/memory.h"

namespace ve {

// ---------------------------------------------------------------------------------------------
// Frame creation
// ---------------------------------------------------------------------------------------------

RenderFrame rendererCreateFrame() {
    RenderFrame frame;
    zeroSize(sizeof(frame), &frame);
    MemoryStore* store = tmpStore;
    VE_ASSERT_NOT_NULL(store);
    resetHeapStore(store);
    // Field order; each list starts without chunks, so an empty frame costs no memory.
    frame.pointLights = createChunkStore(sizeof(PointLight), POINT_LIGHTS_PER_CHUNK, store);
    frame.quads = createChunkStore(sizeof(QuadInstance), QUADS_PER_CHUNK, store);
    frame.transQuads = createChunkStore(sizeof(QuadInstance), TRANS_QUADS_PER_CHUNK, store);
    frame.renderToTexQuads = createChunkStore(sizeof(QuadInstance), RENDER_TO_TEX_QUADS_PER_CHUNK, store);
    frame.meshes = createChunkStore(sizeof(MeshInstance), MESHES_PER_CHUNK, store);
    frame.hudElements = createChunkStore(sizeof(QuadInstance), HUD_ELEMENTS_PER_CHUNK, store);
    frame.particleSystems = createChunkStore(sizeof(ParticleSystem), PARTICLE_SYSTEMS_PER_CHUNK, store);
    return frame;
}

// ---------------------------------------------------------------------------------------------
// Push operations
// ---------------------------------------------------------------------------------------------

namespace detail {
QuadInstance makeQuadInstance(v3 position, mat3 rotation, v3 scale, Texture* texture, Texture* emission,
                              v2 uvScale, v2 uvOffset, v4 outline, u32 fbo, u32 colorBuf) {
    QuadInstance instance;
    instance.position = position;
    instance.rotation = rotation;
    instance.scale = scale;
    instance.texture = texture;
    instance.uvScale = uvScale;
    instance.uvOffset = uvOffset;
    instance.outline = outline;
    instance.fbo = fbo;
    instance.colorBuf = colorBuf;
    instance.emission = emission;
    return instance;
}
} // namespace detail

void RenderFrame::setClearCol(v3 col) { clearColor = col; }

void RenderFrame::pointLight(v3 pos, v3 col, v3 attenuation) {
    PointLight light;
    light.position = pos;
    light.color = col;
    light.attenuation = attenuation;
    pointLight(light);
}

void RenderFrame::quad(v3 position, mat3 rotation, v3 scale, Texture* texture, Texture* emission,
                       v2 uvScale, v2 uvOffset, v4 outline) {
    VE_ASSERT_NOT_NULL(texture);
    quad(detail::makeQuadInstance(position, rotation, scale, texture, emission, uvScale, uvOffset, outline, 0, 0));
}

void RenderFrame::transQuad(v3 position, mat3 rotation, v3 scale, Texture* texture, Texture* emission,
                            v2 uvScale, v2 uvOffset, v4 outline, u32 fbo, u32 colorBuf) {
    VE_ASSERT_NOT_NULL(texture);
    QuadInstance instance = detail::makeQuadInstance(position, rotation, scale, texture, emission, uvScale,
                                                     uvOffset, outline, fbo, colorBuf);
    push(fbo != 0 ? &renderToTexQuads : &transQuads, &instance);
}

void RenderFrame::hudElement(v3 position, mat3 rotation, v3 scale, Texture* texture, Texture* emission,
                             v2 uvScale, v2 uvOffset, v4 outline) {
    VE_ASSERT_NOT_NULL(texture);
    QuadInstance instance =
        detail::makeQuadInstance(position, rotation, scale, texture, emission, uvScale, uvOffset, outline, 0, 0);
    push(&hudElements, &instance);
}

void RenderFrame::mesh(v3 position, mat3 rotation, v3 scale, Mesh* mesh, Texture* texture, BasicMat* material,
                       Texture* emission, v2 uvScale, v2 uvOffset, v4 outline) {
    VE_ASSERT_NOT_NULL(mesh);
    VE_ASSERT_NOT_NULL(texture);
    VE_ASSERT_NOT_NULL(material);
    MeshInstance instance;
    instance.position = position;
    instance.rotation = rotation;
    instance.scale = scale;
    instance.mesh = mesh;
    instance.texture = texture;
    instance.material = material;
    instance.uvScale = uvScale;
    instance.uvOffset = uvOffset;
    instance.outline = outline;
    instance.emission = emission;
    this->mesh(instance);
}

void RenderFrame::pointLight(PointLight light) { push(&pointLights, &light); }
void RenderFrame::quad(QuadInstance instance) { push(&quads, &instance); }
void RenderFrame::mesh(MeshInstance instance) { push(&meshes, &instance); }
void RenderFrame::particleSystem(ParticleSystem system) { push(&particleSystems, &system); }

} // namespace ve
