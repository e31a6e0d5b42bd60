#include "Renderer/OpenGL/opengl_draw.h"

#include "Core/engine_globals.h"
#include "Platform/ve_platform.h"
#include "Util/string.h"

#include <math.h>
#include <stdio.h>

namespace ve {

namespace draw_detail {

// One report per missing asset for the life of the program: the same miss repeats every frame,
// and one line per asset says all there is to say. Textures carry no name, so their id stands in.
b8 missingUploadReported(Hash id) {
    RendererStateOpenGL* state = rendererState;
    for (u32 i = 0; i < state->reportedMissingCount; ++i) {
        if (state->reportedMissingUploads[i] == id) return 1;
    }
    if (state->reportedMissingCount == maxReportedMissingUploads) return 1;
    state->reportedMissingUploads[state->reportedMissingCount++] = id;
    return 0;
}

void reportMissingUpload(Hash id, GLMemoryEntry::TYPE type, string name) {
    if (missingUploadReported(id)) return;
    c8 line[256];
    const c8* kind = type == GLMemoryEntry::MESH ? "mesh" : "texture";
    if (name.length) {
        snprintf(line, sizeof(line), "Renderer: the %s \"%.*s\" was not uploaded; its draws are skipped", kind,
                 (int)(name.length > 128 ? 128 : name.length), (const char*)name.data);
    } else {
        snprintf(line, sizeof(line), "Renderer: the %s %016llx%016llx was not uploaded; its draws are skipped", kind,
                 (unsigned long long)id.hi, (unsigned long long)id.lo);
    }
    platform->print(wrapASCIIZ(line));
}

void setSampler(u32 program, const c8* name, s32 unit) { glUniform1i(glGetUniformLocation(program, name), unit); }

void setVec2(u32 program, const c8* name, v2 value) {
    glUniform2f(glGetUniformLocation(program, name), value.x, value.y);
}

void bindTexture(u32 unit, GLenum target, u32 texture) {
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(target, texture);
}

// Model and mvp, 128 bytes at the model's offset of the Matrices block. The view and projection
// at the start of the block are written once per frame.
void writeModelMatrices(mat4 model, const Camera* camera) {
    mat4 matrices[2] = {model, camera->proj * camera->view * model};
    glBindBuffer(GL_UNIFORM_BUFFER, rendererState->matUBO);
    glBufferSubData(GL_UNIFORM_BUFFER, matricesModelOffset, sizeof(matrices), matrices);
}

void writeMaterial(BasicMat* material) {
    GLBasicMaterial block = {};
    block.diffuse.xyz = material->diffuse;
    block.specular.xyz = material->specular;
    block.emitCol = material->emitCol;
    block.roughness = material->roughness;
    block.metalness = material->metalness;
    glBindBuffer(GL_UNIFORM_BUFFER, rendererState->basicMatUBO);
    glBufferSubData(GL_UNIFORM_BUFFER, 0, sizeof(block), &block);
}

void drawIndexed(GLMesh* glMesh, u64 indexCount) {
    glBindVertexArray(glMesh->vao);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, glMesh->ieb);
    glDrawElements(GL_TRIANGLES, (GLsizei)indexCount, GL_UNSIGNED_INT, nullptr);
}

// The one texel of a single-colour texture as the shader's display colour, and its colour in
// linear values.
void setFlatEmission(u32 program, u32 texel) {
    f32 colour[4];
    f32 linear[3];
    for (u32 channel = 0; channel < 4; ++channel) colour[channel] = (f32)((texel >> (8 * channel)) & 0xFFu) / 255.0f;
    for (u32 channel = 0; channel < 3; ++channel) linear[channel] = powf(colour[channel], 2.2f);
    glUniform4fv(glGetUniformLocation(program, "emissionColor"), 1, colour);
    glUniform3fv(glGetUniformLocation(program, "emissionLinear"), 1, linear);
}

// The body of drawMesh and drawBillboard, which differ only in the program.
void drawLit(u32 program, EmissionSource source, mat4 model, const Camera* camera, Mesh* mesh, GLMesh* glMesh,
             BasicMat* material, GLTexture* texture, GLTexture* emission, v2 uvScale, v2 uvOffset, v4 outline) {
    glUseProgram(program);
    bindTexture(0, GL_TEXTURE_2D, texture->id);
    setSampler(program, "tex", 0);
    // Bound whichever build reads it: a binding costs nothing per fragment.
    bindTexture(1, GL_TEXTURE_2D, emission->id);
    setSampler(program, "emission", 1);
    if (source == EmissionSource::FLAT) setFlatEmission(program, emission->texel);
    if (source == EmissionSource::MASKED) setFlatEmission(program, texture->glowColour);
    bindTexture(2, GL_TEXTURE_CUBE_MAP, rendererState->skyBox.id);
    setSampler(program, "skybox", 2);
    setVec2(program, "uvScale", uvScale);
    setVec2(program, "uvOffset", uvOffset);
    glUniform4fv(glGetUniformLocation(program, "outline"), 1, outline.E);
    writeModelMatrices(model, camera);
    writeMaterial(material);
    drawIndexed(glMesh, mesh->numIndices);
}

} // namespace draw_detail

// =============================================================================================
// Look-ups
// =============================================================================================

mat4 modelMatrix(v3 position, mat3 rotation, v3 scale) {
    return transMat(position) * toMat4(rotation) * scaleMat(scale);
}

GLMemoryEntry* findUpload(Hash id, GLMemoryEntry::TYPE type, string name) {
    GLMemoryEntry* entry = (GLMemoryEntry*)getTblEntry(id, &rendererState->uplTable);
    if (entry && entry->type == type) return entry;
    draw_detail::reportMissingUpload(id, type, name);
    return nullptr;
}

GLMesh* findUploadedMesh(Mesh* mesh) {
    GLMemoryEntry* entry = findUpload(mesh->id, GLMemoryEntry::MESH, {mesh->nameLength, (u8*)mesh->name});
    return entry ? &entry->mesh : nullptr;
}

GLTexture* findUploadedTexture(Texture* texture) {
    GLMemoryEntry* entry = findUpload(texture->id, GLMemoryEntry::TEXTURE, {});
    return entry ? &entry->texture : nullptr;
}

GLMesh* findQuadMesh() { return findUploadedMesh(&rendererState->quad); }

GLTexture* findEmissionTexture(Texture* emission) {
    return emission ? findUploadedTexture(emission) : &rendererState->blackTexture;
}

void storeSingleTexel(u32 texel) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, &texel);
}

void createBlackTexture(RendererStateOpenGL* state) {
    glGenTextures(1, &state->blackTexture.id);
    glBindTexture(GL_TEXTURE_2D, state->blackTexture.id);
    state->blackTexture.texel = 0xFF000000u; // bytes r, g, b, a = 0, 0, 0, 255
    state->blackTexture.singleColour = 1;
    state->blackTexture.opaque = 1;
    storeSingleTexel(state->blackTexture.texel);
}

// =============================================================================================
// Draws
// =============================================================================================

LitVariant litVariantFor(const GLTexture* texture, const GLTexture* emission) {
    if ((b8)texture->glowEmission && texture->glowEmission == emission->asset) return {0, EmissionSource::MASKED};
    u32 alphaTest = (texture->opaque ? 0 : ALPHA_TEST_ALBEDO) | (emission->opaque ? 0 : ALPHA_TEST_EMISSION);
    if (emission->id == texture->id) return {alphaTest, EmissionSource::ALBEDO};
    return {alphaTest, emission->singleColour ? EmissionSource::FLAT : EmissionSource::SAMPLED};
}

void markChoosableLitVariants(b8 choosable[ALPHA_TEST_VARIANTS][EMISSION_SOURCE_COUNT]) {
    // Four plain kinds, opaque or not and of one colour or not, and an albedo whose alpha holds the
    // mask of the opaque image's glow. Each is also paired with itself.
    constexpr u32 PLAIN_KINDS = 4;
    GLTexture kinds[PLAIN_KINDS + 1] = {};
    for (u32 kind = 0; kind <= PLAIN_KINDS; ++kind) {
        kinds[kind].id = kind + 1;
        kinds[kind].asset.lo = kind + 1;
        kinds[kind].opaque = (kind & 1) != 0;
        kinds[kind].singleColour = (kind & 2) != 0;
    }
    GLTexture* folded = &kinds[PLAIN_KINDS];
    folded->opaque = 1;
    folded->glowEmission = kinds[1].asset;
    for (const GLTexture& texture : kinds) {
        for (const GLTexture& emission : kinds) {
            LitVariant variant = litVariantFor(&texture, &emission);
            choosable[variant.alphaTest][(u32)variant.emission] = 1;
        }
    }
}

void drawMesh(mat4 model, Camera camera, Mesh* mesh, GLMesh* glMesh, BasicMat* material, GLTexture* texture,
              GLTexture* emission, v2 uvScale, v2 uvOffset, v4 outline) {
    LitVariant variant = litVariantFor(texture, emission);
    u32 program = rendererState->litShaders[variant.alphaTest][(u32)variant.emission].glID;
    draw_detail::drawLit(program, variant.emission, model, &camera, mesh, glMesh, material, texture, emission,
                         uvScale, uvOffset, outline);
}

void drawBillboard(mat4 model, Camera camera, Mesh* mesh, GLMesh* glMesh, BasicMat* material,
                   GLTexture* texture, GLTexture* emission, v2 uvScale, v2 uvOffset, v4 outline) {
    draw_detail::drawLit(rendererState->billBoardShader.glID, EmissionSource::SAMPLED, model, &camera, mesh, glMesh,
                         material, texture, emission, uvScale, uvOffset, outline);
}

void drawHUDElement(mat4 model, Camera camera, Mesh* mesh, GLMesh* glMesh, GLTexture* texture, v2 uvScale,
                    v2 uvOffset) {
    u32 program = rendererState->hudShader.glID;
    glUseProgram(program);
    draw_detail::bindTexture(0, GL_TEXTURE_2D, texture->id);
    draw_detail::setVec2(program, "uvScale", uvScale);
    draw_detail::setVec2(program, "uvOffset", uvOffset);
    draw_detail::writeModelMatrices(model, &camera);
    draw_detail::drawIndexed(glMesh, mesh->numIndices);
}

void drawFullScreenImage(u32 texture) {
    draw_detail::bindTexture(0, GL_TEXTURE_2D, texture);
    GLMesh* quad = findQuadMesh();
    if (!quad) return;
    draw_detail::drawIndexed(quad, 6);
}

} // namespace ve
