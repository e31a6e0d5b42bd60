#pragma once
// The frame pipeline as it drew before the early depth test and the single texture sample, for
// the benchmarks to time side by side with the engine's own in one run:
// - one lit program for every draw: both textures sampled, the alpha test after the lighting
//   (baselineShaders.h);
// - every opaque quad, mesh and transparent quad marking the stencil;
// - the glows that the pack builder folds into their albedo's alpha drawn from their emission
//   images, beside albedos of alpha 255.
// - the composite raising every pixel to the power 1 - gamma, 1 at gamma 0, after a clear of the
//   window, depth-tested and marking the stencil; the HUD after a clear of its depth.
// Its programs and texture records are swapped into the renderer's state for its frames; the
// passes that did not change (sky, off-screen text, bloom, HUD) are the engine's own.
// Needs a current context and a built renderer with the textures uploaded.

#include "Core/engine_globals.h"
#include "Memory/memory.h"
#include "Renderer/OpenGL/opengl_draw.h"
#include "Renderer/OpenGL/opengl_globals.h"
#include "Renderer/OpenGL/opengl_pipeline.h"
#include "Renderer/OpenGL/opengl_shaders.h"
#include "Renderer/bsp_tree.h"

#include "windowPicture.h"
#include "baselineShaders.h"

#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

namespace baseline {

struct TextureTwin {
    ve::GLTexture* uploaded; // the record in the upload table
    ve::GLTexture baseline;    // what it was: no glow, and for folded albedos alpha 255
};

struct Pipeline {
    // The one lit program in every slot of the variants, so that any choice draws with it.
    ve::ShaderProg lit[ve::ALPHA_TEST_VARIANTS][ve::EMISSION_SOURCE_COUNT];
    ve::ShaderProg shader, billboard, composite;
    std::vector<TextureTwin> twins;
    ve::GLTexture black;
};

// The upload of a texture as it was: every texel, mipmaps.
inline u32 uploadFullImage(u32 width, u32 height, const u32* pixels) {
    u32 id = 0;
    ve::glGenTextures(1, &id);
    ve::glBindTexture(GL_TEXTURE_2D, id);
    ve::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    ve::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    ve::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    ve::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    ve::glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, (GLsizei)width, (GLsizei)height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    ve::glGenerateMipmap(GL_TEXTURE_2D);
    return id;
}

// The albedo before the fold: alpha 255 where the glow's mask is.
inline u32 uploadUnfoldedAlbedo(const ve::Texture* albedo) {
    std::vector<u32> opaque(albedo->pixels, albedo->pixels + (size_t)albedo->width * albedo->height);
    for (u32& texel : opaque) texel |= 0xFF000000u;
    return uploadFullImage(albedo->width, albedo->height, opaque.data());
}

inline std::string litText() {
    std::string current = ve::physical_frag;
    return current.substr(0, current.find("void main() {")) + physical_frag_main;
}

// Every texture in the upload table gets a twin; those of the register's albedos that hold a glow's
// mask show the albedo unfolded.
inline void createPipeline(Pipeline* baseline) {
    std::string lit = litText();
    baseline->shader.glID = ve::createShaderProg(ve::vertex_shader, lit.c_str(), nullptr);
    for (auto& row : baseline->lit) {
        for (ve::ShaderProg& program : row) program = baseline->shader;
    }
    baseline->billboard.glID = ve::createShaderProg(ve::billboard_vert, lit.c_str(), nullptr);
    baseline->composite = ve::rendererState->gammaCompositeShader;
    ve::Table* table = &ve::rendererState->uplTable;
    for (msi slot = 0; slot < table->length; ++slot) {
        if (!table->entries[slot].used) continue;
        ve::GLMemoryEntry* entry = (ve::GLMemoryEntry*)((u8*)table->values + slot * table->typeSize);
        if (entry->type != ve::GLMemoryEntry::TEXTURE) continue;
        ve::GLTexture* uploaded = &entry->texture;
        ve::GLTexture plain = {};
        plain.id = uploaded->id;
        baseline->twins.push_back({uploaded, plain});
    }
    for (u64 i = 0; ve::assets && i < ve::assets->textureCount; ++i) {
        ve::Texture* albedo = &ve::assets->textures[i];
        if (!albedo->glowEmission) continue;
        u32 unfolded = uploadUnfoldedAlbedo(albedo);
        for (TextureTwin& twin : baseline->twins) {
            if (twin.uploaded == ve::findUploadedTexture(albedo)) twin.baseline.id = unfolded;
        }
    }
    baseline->black = {};
    baseline->black.id = ve::rendererState->blackTexture.id;
}

// Swapping twice restores the renderer's own state.
inline void swapState(Pipeline* baseline) {
    ve::RendererStateOpenGL* state = ve::rendererState;
    std::swap(state->litShaders, baseline->lit);
    std::swap(state->shader, baseline->shader);
    std::swap(state->billBoardShader, baseline->billboard);
    std::swap(state->additiveTextureShader, baseline->composite);
    for (TextureTwin& twin : baseline->twins) std::swap(*twin.uploaded, twin.baseline);
    std::swap(state->blackTexture, baseline->black);
}

// ---------------------------------------------------------------------------------------------
// The passes that changed, as they were
// ---------------------------------------------------------------------------------------------

inline void drawLitQuad(ve::QuadInstance* quad, ve::Camera* camera) {
    ve::GLMesh* quadMesh = ve::findQuadMesh();
    ve::GLTexture* texture = ve::findUploadedTexture(quad->texture);
    ve::GLTexture* emission = ve::findEmissionTexture(quad->emission);
    if (!quadMesh || !texture || !emission) return;
    ve::drawMesh(ve::modelMatrix(quad->position, quad->rotation, quad->scale), *camera, &ve::rendererState->quad,
                 quadMesh, &ve::rendererState->quadMat, texture, emission, quad->uvScale, quad->uvOffset,
                 quad->outline);
}

inline void drawOpaqueQuads(ve::RenderFrame* frame) {
    for (msi i = 0; i < frame->quads.length; ++i) drawLitQuad((ve::QuadInstance*)frame->quads[i], &frame->cam);
}

inline void drawMeshInstance(ve::MeshInstance* instance, ve::Camera* camera, ve::v4 outline) {
    ve::GLMesh* glMesh = ve::findUploadedMesh(instance->mesh);
    ve::GLTexture* texture = ve::findUploadedTexture(instance->texture);
    ve::GLTexture* emission = ve::findEmissionTexture(instance->emission);
    if (!glMesh || !texture || !emission) return;
    ve::drawMesh(ve::modelMatrix(instance->position, instance->rotation, instance->scale), *camera,
                 instance->mesh, glMesh, instance->material, texture, emission, instance->uvScale,
                 instance->uvOffset, outline);
}

inline void drawMeshes(ve::RenderFrame* frame) {
    ve::glClear(GL_STENCIL_BUFFER_BIT);
    for (msi i = 0; i < frame->meshes.length; ++i) {
        ve::MeshInstance* instance = (ve::MeshInstance*)frame->meshes[i];
        drawMeshInstance(instance, &frame->cam, ve::v4{});
        if (ve::drawsOutline(instance->outline)) {
            ve::glStencilFunc(GL_NOTEQUAL, 1, 0xFF);
            ve::glStencilMask(0x00);
            drawMeshInstance(instance, &frame->cam, instance->outline);
        }
        ve::glStencilFunc(GL_ALWAYS, 1, 0xFF);
        ve::glStencilMask(0xFF);
    }
}

inline void drawTransparentQuads(ve::RenderFrame* frame) {
    msi quadCount = frame->transQuads.length;
    if (quadCount == 0) return;
    ve::glEnable(GL_BLEND);
    ve::QuadInstance* sorted = (ve::QuadInstance*)ve::pushToHeap(ve::tmpStore, quadCount * sizeof(ve::QuadInstance));
    ve::sortTransparentQuads(&frame->transQuads, frame->cam.pos, sorted);
    for (msi i = 0; i < quadCount; ++i) {
        ve::QuadInstance* quad = &sorted[i];
        if (quad->colorBuf == 0) {
            drawLitQuad(quad, &frame->cam);
            continue;
        }
        ve::GLMesh* quadMesh = ve::findQuadMesh();
        ve::GLTexture* texture = ve::findUploadedTexture(quad->texture);
        if (!quadMesh || !texture) continue;
        ve::GLTexture colorBuffer = {};
        colorBuffer.id = quad->colorBuf;
        ve::drawBillboard(ve::modelMatrix(quad->position, quad->rotation, quad->scale), frame->cam,
                          &ve::rendererState->quad, quadMesh, &ve::rendererState->quadMat, texture, &colorBuffer,
                          quad->uvScale, quad->uvOffset, quad->outline);
    }
    ve::glDisable(GL_BLEND);
}

inline void compositeToWindow(f32 gamma) {
    ve::RendererStateOpenGL* state = ve::rendererState;
    u32 program = state->additiveTextureShader.glID;
    ve::glBindFramebuffer(GL_FRAMEBUFFER, 0);
    ve::glViewport(0, 0, (GLsizei)state->windowSize.x, (GLsizei)state->windowSize.y);
    ve::glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    ve::glUseProgram(program);
    ve::glUniform1i(ve::glGetUniformLocation(program, "image"), 0);
    ve::glUniform1i(ve::glGetUniformLocation(program, "image2"), 1);
    ve::glUniform1fv(ve::glGetUniformLocation(program, "gammaCorrection"), 1, &gamma);
    ve::glActiveTexture(GL_TEXTURE1);
    ve::glBindTexture(GL_TEXTURE_2D, state->colorBuffers[ve::BLOOM_RESULT]);
    ve::drawFullScreenImage(state->colorBuffers[0]);
}

inline void drawHUD(ve::RenderFrame* frame) {
    ve::glClear(GL_DEPTH_BUFFER_BIT);
    ve::glDisable(GL_DEPTH_TEST);
    ve::drawHUD(frame);
}

// The frame as it was drawn (sorting on); its state must be swapped in.
inline void drawFrame(ve::RenderFrame* frame, f32 gamma) {
    ve::drawRenderToTextureQuads(frame);
    ve::beginScenePass(frame);
    ve::writeLights(frame);
    baseline::drawOpaqueQuads(frame);
    baseline::drawMeshes(frame);
    ve::drawSky(&frame->cam);
    baseline::drawTransparentQuads(frame);
    ve::blurHighlights();
    baseline::compositeToWindow(gamma);
    baseline::drawHUD(frame);
}

// ---------------------------------------------------------------------------------------------
// Pictures
// ---------------------------------------------------------------------------------------------

// The share of pixels that must lie within NEAR_LEVELS of the baseline's picture.
constexpr f64 SAME_SHARE = 0.9999;

// Compares the baseline's picture with the new one, puts the comparison into the run's counters
// and stops the run with an error when the two differ or the new one is black (a mean level
// below 8): a time counts only for a picture that is the same.
inline bool reportSamePicture(benchmark::State& state, const windowpicture::Picture& reference,
                              const windowpicture::Picture& fresh) {
    windowpicture::Difference difference = windowpicture::compare(reference, fresh, windowpicture::NEAR_LEVELS);
    f64 mean = windowpicture::meanLevel(fresh);
    state.counters["same_near_per_10000"] = 10000.0 * difference.nearFraction;
    state.counters["same_worst_level"] = difference.worst;
    state.counters["same_worst_x"] = difference.worstX;
    state.counters["same_worst_y"] = difference.worstY;
    state.counters["mean_level"] = mean;
    if (mean >= 8.0 && difference.nearFraction >= SAME_SHARE) return true;
    state.SkipWithError("the new picture differs from the baseline's, or is black");
    return false;
}

} // namespace baseline
