#include "Renderer/OpenGL/opengl_pipeline.h"

#include "Core/engine_globals.h"
#include "Platform/ve_platform.h"
#include "Renderer/OpenGL/opengl_draw.h"
#include "Renderer/OpenGL/opengl_globals.h"
#include "Renderer/bsp_tree.h"
#include "Util/string.h"

namespace ve {

namespace pipeline_detail {

// Host copy of the Lights block: five lights, then the count and the ambient term (std140,
// 168 bytes).
struct LightsBlock {
    GLPLight pLights[maxPointLights];
    u32 numPLights;
    f32 ambient;
};
static_assert(sizeof(LightsBlock) == lightsBlockSize, "Lights block mirror");

b8 tooManyLightsReported;

// The sky's view: the camera's rotation without its translation, so the sky never comes closer.
mat4 withoutTranslation(mat4 view) { return toMat4(toMat3(view)); }

void setFullTargetViewport() {
    glViewport(0, 0, (GLsizei)rendererState->windowSize.x, (GLsizei)rendererState->windowSize.y);
}

void clearTarget() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT); }

void setDrawBuffers(u32 count) {
    GLenum attachments[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    glDrawBuffers((GLsizei)count, attachments);
}

// One quad of a list with the lit program: its own texture and emission, the built-in material.
void drawLitQuad(QuadInstance* quad, Camera* camera) {
    VE_ASSERT_NOT_NULL(quad->texture);
    GLMesh* quadMesh = findQuadMesh();
    GLTexture* texture = findUploadedTexture(quad->texture);
    GLTexture* emission = findEmissionTexture(quad->emission);
    if (!quadMesh || !texture || !emission) return;
    drawMesh(modelMatrix(quad->position, quad->rotation, quad->scale), *camera, &rendererState->quad, quadMesh,
             &rendererState->quadMat, texture, emission, quad->uvScale, quad->uvOffset, quad->outline);
}

// A transparent quad that shows an off-screen colour buffer, turned to face the camera. The
// buffer takes the place of the emission texture; the quad's own emission is not read.
void drawBillboardQuad(QuadInstance* quad, Camera* camera) {
    VE_ASSERT_NOT_NULL(quad->texture);
    GLMesh* quadMesh = findQuadMesh();
    GLTexture* texture = findUploadedTexture(quad->texture);
    if (!quadMesh || !texture) return;
    GLTexture colorBuffer = {};
    colorBuffer.id = quad->colorBuf;
    drawBillboard(modelMatrix(quad->position, quad->rotation, quad->scale), *camera, &rendererState->quad,
                  quadMesh, &rendererState->quadMat, texture, &colorBuffer, quad->uvScale, quad->uvOffset,
                  quad->outline);
}

// One screen-space quad into whatever target is bound.
void drawScreenQuad(QuadInstance* quad, Camera* camera) {
    VE_ASSERT_NOT_NULL(quad->texture);
    GLMesh* quadMesh = findQuadMesh();
    GLTexture* texture = findUploadedTexture(quad->texture);
    if (!quadMesh || !texture) return;
    drawHUDElement(modelMatrix(quad->position, quad->rotation, quad->scale), *camera, &rendererState->quad,
                   quadMesh, texture, quad->uvScale, quad->uvOffset);
}

void drawMeshInstance(MeshInstance* instance, Camera* camera, v4 outline) {
    GLMesh* glMesh = findUploadedMesh(instance->mesh);
    GLTexture* texture = findUploadedTexture(instance->texture);
    GLTexture* emission = findEmissionTexture(instance->emission);
    if (!glMesh || !texture || !emission) return;
    drawMesh(modelMatrix(instance->position, instance->rotation, instance->scale), *camera, instance->mesh,
             glMesh, instance->material, texture, emission, instance->uvScale, instance->uvOffset, outline);
}

// One blur pass over the whole target, which it overwrites: no clear needed. `program` carries its
// own taps and axis (createBlurProg).
void blurPass(u32 program, u32 targetFbo, u32 sourceTexture) {
    glBindFramebuffer(GL_FRAMEBUFFER, targetFbo);
    glUseProgram(program);
    drawFullScreenImage(sourceTexture);
}

} // namespace pipeline_detail

// =============================================================================================
// Passes
// =============================================================================================

void beginScenePass(RenderFrame* frame) {
    RendererStateOpenGL* state = rendererState;
    mat4 viewProj[2] = {frame->cam.view, frame->cam.proj};
    glBindBuffer(GL_UNIFORM_BUFFER, state->matUBO);
    glBufferSubData(GL_UNIFORM_BUFFER, matricesViewOffset, sizeof(viewProj), viewProj);

    // Blending belongs to the transparent and HUD passes only; set-up leaves it on, and without
    // this the first frame alone would blend its opaque draws.
    glDisable(GL_BLEND);
    glBindFramebuffer(GL_FRAMEBUFFER, state->FBOs[0]);
    pipeline_detail::setFullTargetViewport();
    glClearColor(frame->clearColor.x, frame->clearColor.y, frame->clearColor.z, 1.0f);
    pipeline_detail::clearTarget();
}

void drawSky(Camera* camera) {
    RendererStateOpenGL* state = rendererState;
    GLMemoryEntry* skyMesh = findUpload(hashASCIIZ(SKY_MESH_NAME), GLMemoryEntry::MESH, wrapASCIIZ(SKY_MESH_NAME));
    if (!skyMesh) return;
    u32 program = state->skyBoxShader.glID;
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    glUseProgram(program);
    pipeline_detail::setDrawBuffers(1);
    glBindVertexArray(skyMesh->mesh.vao);
    mat4 skyView = pipeline_detail::withoutTranslation(camera->view);
    glUniformMatrix4fv(glGetUniformLocation(program, "projection"), 1, GL_FALSE, &camera->proj.E11);
    glUniformMatrix4fv(glGetUniformLocation(program, "view"), 1, GL_FALSE, &skyView.E11);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, state->skyBox.id);
    glDrawElements(GL_TRIANGLES, SKY_INDEX_COUNT, GL_UNSIGNED_INT, nullptr);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    pipeline_detail::setDrawBuffers(2);
}

void writeLights(RenderFrame* frame) {
    msi lightCount = frame->pointLights.length;
    // The block holds five lights; the rest of a larger frame is dropped, and said so once.
    if (lightCount > maxPointLights) {
        if (!pipeline_detail::tooManyLightsReported) {
            pipeline_detail::tooManyLightsReported = 1;
            platform->print(wrapASCIIZ("Renderer: more than 5 point lights in a frame; only the first 5 are lit"));
        }
        lightCount = maxPointLights;
    }
    pipeline_detail::LightsBlock lights = {};
    for (msi i = 0; i < lightCount; ++i) {
        PointLight* light = (PointLight*)frame->pointLights[i];
        lights.pLights[i].pos.xyz = light->position;
        lights.pLights[i].col.xyz = light->color;
    }
    lights.numPLights = (u32)lightCount;
    lights.ambient = AMBIENT_LIGHT;
    glBindBuffer(GL_UNIFORM_BUFFER, rendererState->lightUBO);
    glBufferSubData(GL_UNIFORM_BUFFER, 0, (GLsizeiptr)(lightCount * sizeof(GLPLight)), lights.pLights);
    glBufferSubData(GL_UNIFORM_BUFFER, lightsCountOffset, sizeof(u32), &lights.numPLights);
    glBufferSubData(GL_UNIFORM_BUFFER, lightsAmbientOffset, sizeof(f32), &lights.ambient);

    glBindBuffer(GL_UNIFORM_BUFFER, rendererState->matUBO);
    glBufferSubData(GL_UNIFORM_BUFFER, matricesCamPosOffset, sizeof(v3), &frame->cam.pos);
}

void drawOpaqueQuads(RenderFrame* frame) {
    // The stencil is cleared before the meshes mark it for their outlines: nothing here needs to
    // write it, and a draw that writes no stencil can be depth-tested before it is shaded.
    glStencilMask(0x00);
    for (msi i = 0; i < frame->quads.length; ++i) {
        pipeline_detail::drawLitQuad((QuadInstance*)frame->quads[i], &frame->cam);
    }
    glStencilMask(0xFF);
}

b8 drawsOutline(v4 outline) { return (f64)outline.w > OUTLINE_MIN_WIDTH; }

// The number of meshes, from the first, whose pixels an outline shell may read: every mesh up
// to the last one with an outline. Those after it need not mark the stencil.
msi stencilMarkingMeshCount(RenderFrame* frame) {
    msi count = 0;
    for (msi i = 0; i < frame->meshes.length; ++i) {
        if (drawsOutline(((MeshInstance*)frame->meshes[i])->outline)) count = i + 1;
    }
    return count;
}

void drawMeshes(RenderFrame* frame) {
    // Outlines are kept off meshes only: whatever marked the stencil before is cleared.
    glClear(GL_STENCIL_BUFFER_BIT);
    const v4 noOutline = {};
    msi markingCount = stencilMarkingMeshCount(frame);
    for (msi i = 0; i < frame->meshes.length; ++i) {
        MeshInstance* meshInstance = (MeshInstance*)frame->meshes[i];
        VE_ASSERT_NOT_NULL(meshInstance->texture);
        VE_ASSERT_NOT_NULL(meshInstance->mesh);
        VE_ASSERT_NOT_NULL(meshInstance->material);
        // Stencil from set-up: always pass, write 1 where the mesh passes the depth test; only
        // while an outline drawn later may read it.
        if (i == markingCount) glStencilMask(0x00);
        pipeline_detail::drawMeshInstance(meshInstance, &frame->cam, noOutline);
        if (drawsOutline(meshInstance->outline)) {
            // The inflated shell only where nothing marked the stencil: a ring around the mesh.
            glStencilFunc(GL_NOTEQUAL, 1, 0xFF);
            glStencilMask(0x00);
            pipeline_detail::drawMeshInstance(meshInstance, &frame->cam, meshInstance->outline);
        }
        glStencilFunc(GL_ALWAYS, 1, 0xFF);
        if (i < markingCount) glStencilMask(0xFF);
    }
    glStencilMask(0xFF);
}

void drawRenderToTextureQuads(RenderFrame* frame) {
    // Blended, so that each glyph's transparent margin keeps what the glyphs before it drew. The
    // target's alpha accumulates coverage (one minus the product of what each draw left
    // uncovered), which is what the billboard showing it later multiplies by.
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    // The off-screen buffers have the window's size.
    pipeline_detail::setFullTargetViewport();
    for (msi i = 0; i < frame->renderToTexQuads.length; ++i) {
        QuadInstance* quad = (QuadInstance*)frame->renderToTexQuads[i];
        glBindFramebuffer(GL_FRAMEBUFFER, quad->fbo);
        pipeline_detail::drawScreenQuad(quad, &frame->cam);
    }
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_BLEND);
    glBindFramebuffer(GL_FRAMEBUFFER, rendererState->FBOs[0]);
}

void drawTransparentQuads(RenderFrame* frame, b8 sorting) {
    msi quadCount = frame->transQuads.length;
    if (quadCount == 0) return;
    glEnable(GL_BLEND);
    QuadInstance* sorted = (QuadInstance*)pushToHeap(tmpStore, quadCount * sizeof(QuadInstance));
    VE_ASSERT_NOT_NULL(sorted);
    // Built and walked whether or not its order is used, so both settings cost the same.
    u32 count = sortTransparentQuads(&frame->transQuads, frame->cam.pos, sorted);
    VE_ASSERT(count==frame->transQuads.length);
    // Nothing reads the stencil after the outlines.
    glStencilMask(0x00);
    for (msi i = 0; i < quadCount; ++i) {
        QuadInstance* quad = sorting ? &sorted[i] : (QuadInstance*)frame->transQuads[i];
        if (quad->colorBuf != 0) {
            pipeline_detail::drawBillboardQuad(quad, &frame->cam);
        } else {
            pipeline_detail::drawLitQuad(quad, &frame->cam);
        }
    }
    glStencilMask(0xFF);
    glDisable(GL_BLEND);
}

void blurHighlights() {
    RendererStateOpenGL* state = rendererState;
    glViewport(0, 0, (GLsizei)(state->windowSize.x * 0.5f), (GLsizei)(state->windowSize.y * 0.5f));
    // The first horizontal pass reads the full-size highlights; then all vertical passes in one,
    // then the other horizontal ones.
    pipeline_detail::blurPass(state->bloomShader.glID, state->FBOs[1], state->colorBuffers[1]);
    pipeline_detail::blurPass(state->bloomVerticalShader.glID, state->FBOs[2], state->colorBuffers[2]);
    pipeline_detail::blurPass(state->bloomHorizontalShader.glID, state->FBOs[1], state->colorBuffers[3]);
}

void compositeToWindow(f32 gamma) {
    RendererStateOpenGL* state = rendererState;
    u32 program = gamma == 0.0f ? state->additiveTextureShader.glID : state->gammaCompositeShader.glID;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    pipeline_detail::setFullTargetViewport();
    // One opaque quad writes every pixel of the fixed-size window: nothing to clear, and neither
    // the window's depth nor its stencil is read after it (the HUD is drawn in order).
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_STENCIL_TEST);
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "image"), 0);
    glUniform1i(glGetUniformLocation(program, "image2"), 1);
    glUniform1fv(glGetUniformLocation(program, "gammaCorrection"), 1, &gamma);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, state->colorBuffers[BLOOM_RESULT]);
    drawFullScreenImage(state->colorBuffers[0]);
}

// Follows the composite, whose tests stay off: all HUD quads lie at depth 0, and with depth
// testing a glyph's transparent margin would hide the glyph drawn after it wherever they overlap.
// Draw order alone decides what is on top.
void drawHUD(RenderFrame* frame) {
    glEnable(GL_BLEND);
    for (msi i = 0; i < frame->hudElements.length; ++i) {
        pipeline_detail::drawScreenQuad((QuadInstance*)frame->hudElements[i], &frame->cam);
    }
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_STENCIL_TEST);
}

// =============================================================================================
// The frame
// =============================================================================================

void drawRenderFrame(RenderFrame* frame, b8 sorting, f32 gamma) {
    // The off-screen buffers first: drawn before the scene, they are done by the time transparent
    // quads show them, and the scene target is drawn in one go from its clear to its transparent
    // quads instead of waiting for the off-screen draws halfway.
    drawRenderToTextureQuads(frame);
    beginScenePass(frame);
    writeLights(frame);
    drawOpaqueQuads(frame);
    drawMeshes(frame);
    drawSky(&frame->cam);
    drawTransparentQuads(frame, sorting);
    blurHighlights();
    compositeToWindow(gamma);
    drawHUD(frame);
}

void rendererOpenGLSubmitFrame(RenderFrame* frame) {
    drawRenderFrame(frame, engineState->sorting, engineState->gamma);
}

} // namespace ve
