// Set-up and resources of the OpenGL back end, checked against the GL state it leaves behind.

#include "opengl_test_support.h"

#include <vector>

#include "Renderer/OpenGL/opengl_pipeline.h"

using namespace gltest;

namespace {

GLint integerState(GLenum name) {
    GLint value = 0;
    ve::glGetIntegerv(name, &value);
    return value;
}

GLint bufferSize(u32 buffer) {
    GLint size = 0;
    ve::glBindBuffer(GL_UNIFORM_BUFFER, buffer);
    glGetBufferParameteriv(GL_UNIFORM_BUFFER, GL_BUFFER_SIZE, &size);
    return size;
}

GLint driverBlockSize(u32 program, const c8* block) {
    GLint size = 0;
    ve::glGetActiveUniformBlockiv(program, ve::glGetUniformBlockIndex(program, block),
                                  GL_UNIFORM_BLOCK_DATA_SIZE, &size);
    return size;
}

// One triangle facing +z, its arrays alive for the whole program.
ve::Mesh triangleMesh(const c8* name) {
    static ve::v4 positions[3] = {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}};
    static ve::v4 normals[3] = {{0, 0, 1, 0}, {0, 0, 1, 0}, {0, 0, 1, 0}};
    static ve::v2 texCoords[3] = {{0, 0}, {1, 0}, {0, 1}};
    static ve::v4 colors[3] = {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}};
    static u32 indices[3] = {0, 1, 2};
    ve::Mesh mesh = {};
    mesh.id = ve::hashASCIIZ(name);
    mesh.numVertices = 3;
    mesh.numIndices = 3;
    mesh.positions = positions;
    mesh.normals = normals;
    mesh.texCoord = texCoords;
    mesh.colors = colors;
    mesh.indices = indices;
    return mesh;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The table and the globals
// ---------------------------------------------------------------------------------------------

TEST(OpenGLRenderer, CreationFillsEverySlotAndPointsTheGlobalsAtItsState) {
    EXPECT_EQ(renderer.reloadRendererGlobals, &ve::rendererOpenGLReload);
    EXPECT_EQ(renderer.uplTexture, &ve::uploadTexture);
    EXPECT_EQ(renderer.uplMesh, &ve::uploadMesh);
    EXPECT_EQ(renderer.createSkyBox, &ve::createSkybox);
    EXPECT_EQ(renderer.createFrame, &ve::rendererCreateFrame);
    EXPECT_EQ(renderer.submitFrame, &ve::rendererOpenGLSubmitFrame);
    EXPECT_EQ(renderer.createColorBuffer, &ve::createCustomColorBuffer);
    EXPECT_EQ(renderer.clearColorBuffer, &ve::clearCustomColorBuffer);
    EXPECT_EQ(renderer.releaseColorBuffers, &ve::releaseCustomColorBuffers);
    EXPECT_EQ(renderer.info.type, ve::OPENGL);
    ASSERT_NE(renderer.rendererState, nullptr);
    EXPECT_EQ((void*)ve::rendererState, renderer.rendererState);
    EXPECT_EQ(ve::rendererStore, &ve::rendererState->rendererStore);
    EXPECT_TRUE(ve::rendererStore->initialized);
    // The state is the store's first allocation: it sits right behind the block's first header.
    EXPECT_EQ((u8*)ve::rendererState, ve::rendererStore->buf.data + 16);
    EXPECT_EQ(ve::rendererStore->buf.length, 64ull * 1024 * 1024);
}

TEST(OpenGLRenderer, ReloadRefillsAnEmptiedTableAndFetchesEveryEntryPointAgain) {
    ve::Renderer reloaded = {};
    reloaded.rendererState = renderer.rendererState;
    ve::rendererState = nullptr;
    ve::rendererStore = nullptr;
#define CLEAR_ENTRY_POINT(type, name) ve::name = nullptr;
    VE_GL_ENTRY_POINTS(CLEAR_ENTRY_POINT)
#undef CLEAR_ENTRY_POINT

    ve::rendererOpenGLReload(&reloaded);

    EXPECT_EQ(reloaded.reloadRendererGlobals, renderer.reloadRendererGlobals);
    EXPECT_EQ(reloaded.submitFrame, renderer.submitFrame);
    EXPECT_EQ(reloaded.clearColorBuffer, renderer.clearColorBuffer);
    EXPECT_EQ((void*)ve::rendererState, renderer.rendererState);
    EXPECT_EQ(ve::rendererStore, &ve::rendererState->rendererStore);
    std::vector<const char*> missing;
#define CHECK_ENTRY_POINT(type, name) \
    if (!ve::name) missing.push_back(#name);
    VE_GL_ENTRY_POINTS(CHECK_ENTRY_POINT)
#undef CHECK_ENTRY_POINT
    EXPECT_TRUE(missing.empty()) << missing.front();
}

// ---------------------------------------------------------------------------------------------
// Built-in quad, programs, fixed state
// ---------------------------------------------------------------------------------------------

TEST(OpenGLRenderer, BuiltInQuadIsUploadedUnderItsNameWithItsMaterial) {
    ve::GLMemoryEntry* entry = uploadEntry("Quad");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->type, ve::GLMemoryEntry::MESH);
    EXPECT_TRUE(glIsVertexArray(entry->mesh.vao));

    ve::RendererStateOpenGL* state = ve::rendererState;
    EXPECT_TRUE(state->quad.id == ve::hashASCIIZ("Quad"));
    EXPECT_EQ(state->quad.numVertices, 4u);
    EXPECT_EQ(state->quad.numIndices, 6u);
    const u32 indices[6] = {0, 1, 3, 1, 2, 3};
    for (u32 i = 0; i < 6; ++i) EXPECT_EQ(state->quad.indices[i], indices[i]) << i;
    EXPECT_FLOAT_EQ(state->quad.positions[2].x, 0.5f);
    EXPECT_FLOAT_EQ(state->quad.positions[2].y, 0.5f);
    EXPECT_FLOAT_EQ(state->quad.normals[0].z, -1.0f);
    EXPECT_FLOAT_EQ(state->quad.texCoord[3].y, 1.0f);

    EXPECT_TRUE(state->quadMat.id == ve::hashASCIIZ("QuadMat"));
    EXPECT_FLOAT_EQ(state->quadMat.diffuse.x, 1.0f);
    EXPECT_FLOAT_EQ(state->quadMat.specular.z, 1.0f);
    EXPECT_FLOAT_EQ(state->quadMat.emitCol.y, 0.0f);
    EXPECT_FLOAT_EQ(state->quadMat.roughness, 0.8f);
    EXPECT_FLOAT_EQ(state->quadMat.metalness, 0.4f);
    EXPECT_DOUBLE_EQ(state->windowSize.x, 1440.0);
    EXPECT_DOUBLE_EQ(state->windowSize.y, 900.0);
}

TEST(OpenGLRenderer, SetUpLeavesTheFixedStateTheFramePipelineReliesOn) {
    const GLenum enabled[] = {GL_DEPTH_TEST, GL_FRAMEBUFFER_SRGB, GL_DEBUG_OUTPUT,
                              GL_DEBUG_OUTPUT_SYNCHRONOUS, GL_BLEND, GL_STENCIL_TEST};
    for (GLenum capability : enabled) EXPECT_TRUE(ve::glIsEnabled(capability)) << capability;
    EXPECT_EQ(integerState(GL_BLEND_SRC_RGB), GL_SRC_ALPHA);
    EXPECT_EQ(integerState(GL_BLEND_DST_RGB), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(integerState(GL_STENCIL_FAIL), GL_KEEP);
    EXPECT_EQ(integerState(GL_STENCIL_PASS_DEPTH_FAIL), GL_KEEP);
    EXPECT_EQ(integerState(GL_STENCIL_PASS_DEPTH_PASS), GL_REPLACE);
    EXPECT_EQ(integerState(GL_STENCIL_FUNC), GL_ALWAYS);
    EXPECT_EQ(integerState(GL_STENCIL_REF), 1);
    EXPECT_EQ(integerState(GL_STENCIL_VALUE_MASK) & 0xFF, 0xFF);
    EXPECT_EQ(integerState(GL_STENCIL_WRITEMASK) & 0xFF, 0xFF);
    EXPECT_EQ(integerState(GL_FRAMEBUFFER_BINDING), 0);
}

// ---------------------------------------------------------------------------------------------
// Uniform buffers
// ---------------------------------------------------------------------------------------------

TEST(OpenGLRenderer, UniformBuffersSitAtTheirBindingsAndHoldTheDriversWholeBlock) {
    ve::RendererStateOpenGL* state = ve::rendererState;
    struct Case {
        u32 ubo;
        u32 binding;
        const c8* block;
        GLint layoutSize;
        GLint usage;
    };
    const Case cases[] = {
        {state->matUBO, 1, "Matrices", 320, GL_STREAM_DRAW},
        {state->basicMatUBO, 2, "Material", 52, GL_STREAM_DRAW},
        {state->lightUBO, 3, "Lights", 168, GL_DYNAMIC_DRAW},
    };
    for (const Case& c : cases) {
        GLint bound = 0;
        glGetIntegeri_v(GL_UNIFORM_BUFFER_BINDING, c.binding, &bound);
        EXPECT_EQ((u32)bound, c.ubo) << c.block;
        EXPECT_GE(bufferSize(c.ubo), c.layoutSize) << c.block;
        EXPECT_GE(bufferSize(c.ubo), driverBlockSize(state->shader.glID, c.block)) << c.block;
        GLint usage = 0;
        glGetBufferParameteriv(GL_UNIFORM_BUFFER, GL_BUFFER_USAGE, &usage);
        EXPECT_EQ(usage, c.usage) << c.block;
    }
}

// ---------------------------------------------------------------------------------------------
// Frame buffers
// ---------------------------------------------------------------------------------------------

TEST(OpenGLRenderer, SceneAndBloomFramebuffersAreCompleteFloatTargetsOfTheirSizes) {
    ve::RendererStateOpenGL* state = ve::rendererState;
    for (u32 i = 0; i < 3; ++i) {
        ve::glBindFramebuffer(GL_FRAMEBUFFER, state->FBOs[i]);
        EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), (GLenum)GL_FRAMEBUFFER_COMPLETE) << i;
    }
    // The scene target keeps depth and stencil for the outline pass.
    ve::glBindFramebuffer(GL_FRAMEBUFFER, state->FBOs[0]);
    GLint depthBits = 0;
    GLint stencilBits = 0;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                          GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE, &depthBits);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT,
                                          GL_FRAMEBUFFER_ATTACHMENT_STENCIL_SIZE, &stencilBits);
    EXPECT_EQ(depthBits, 24);
    EXPECT_EQ(stencilBits, 8);
    GLint attachedSecond = 0;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1,
                                          GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &attachedSecond);
    EXPECT_EQ((u32)attachedSecond, state->colorBuffers[1]);
    ve::glBindFramebuffer(GL_FRAMEBUFFER, 0);

    struct Case {
        u32 texture;
        GLint width;
        GLint height;
    };
    const Case cases[] = {{state->colorBuffers[0], 1440, 900},
                          {state->colorBuffers[1], 1440, 900},
                          {state->colorBuffers[2], 720, 450},
                          {state->colorBuffers[3], 720, 450}};
    for (const Case& c : cases) {
        EXPECT_EQ(textureLevelParameter(c.texture, 0, GL_TEXTURE_WIDTH), c.width);
        EXPECT_EQ(textureLevelParameter(c.texture, 0, GL_TEXTURE_HEIGHT), c.height);
        EXPECT_EQ(textureLevelParameter(c.texture, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB16F);
        EXPECT_EQ(textureParameter(GL_TEXTURE_2D, c.texture, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
        EXPECT_EQ(textureParameter(GL_TEXTURE_2D, c.texture, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
        EXPECT_EQ(textureParameter(GL_TEXTURE_2D, c.texture, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    }
    EXPECT_EQ(state->colorBuffers[4], 0u);
}

TEST(OpenGLRenderer, ColorBufferIsWindowSizedAndLeavesTheWindowBound) {
    ve::v2 result = renderer.createColorBuffer();
    u32 fbo = (u32)result.x;
    u32 texture = (u32)result.y;
    ASSERT_NE(fbo, 0u);
    ASSERT_TRUE(glIsTexture(texture));
    EXPECT_EQ(integerState(GL_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(textureLevelParameter(texture, 0, GL_TEXTURE_WIDTH), 1440);
    EXPECT_EQ(textureLevelParameter(texture, 0, GL_TEXTURE_HEIGHT), 900);
    EXPECT_EQ(textureParameter(GL_TEXTURE_2D, texture, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(textureParameter(GL_TEXTURE_2D, texture, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    ve::glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), (GLenum)GL_FRAMEBUFFER_COMPLETE);
    ve::glBindFramebuffer(GL_FRAMEBUFFER, 0);

    // The unsized RGBA format may store eight bits per channel: allow one step.
    renderer.clearColorBuffer(fbo, {0.25f, 0.5f, 0.75f, 1.0f});
    EXPECT_EQ(integerState(GL_FRAMEBUFFER_BINDING), 0);
    Pixel pixel = readPixel(fbo, 0, 700, 450);
    const f32 step = 1.0f / 255.0f;
    EXPECT_NEAR(pixel.r, 0.25f, step);
    EXPECT_NEAR(pixel.g, 0.5f, step);
    EXPECT_NEAR(pixel.b, 0.75f, step);
    EXPECT_NEAR(pixel.a, 1.0f, step);
}

TEST(OpenGLRenderer, ReleasedColorBuffersAreReusedClearedInsteadOfMadeAnew) {
    renderer.releaseColorBuffers();
    ve::v2 first = renderer.createColorBuffer();
    ve::v2 second = renderer.createColorBuffer();
    EXPECT_NE(first.x, second.x);
    EXPECT_NE(first.y, second.y);
    renderer.clearColorBuffer((u32)first.x, {1.0f, 0.0f, 0.0f, 1.0f});
    u32 createdSoFar = ve::rendererState->colorBufferCount;

    // A scene switch gives both back; the next scene's two texts get the same GL objects, and
    // the first one no longer shows what the old scene drew into it.
    renderer.releaseColorBuffers();
    ve::v2 again = renderer.createColorBuffer();
    ve::v2 againSecond = renderer.createColorBuffer();
    EXPECT_EQ(ve::rendererState->colorBufferCount, createdSoFar);
    EXPECT_EQ(again.x, first.x);
    EXPECT_EQ(again.y, first.y);
    EXPECT_EQ(againSecond.x, second.x);
    EXPECT_EQ(integerState(GL_FRAMEBUFFER_BINDING), 0);
    Pixel pixel = readPixel((u32)again.x, 0, 700, 450);
    EXPECT_EQ(pixel.r, 0.0f);
    EXPECT_EQ(pixel.a, 0.0f);

    // Without release, a third is new.
    ve::v2 third = renderer.createColorBuffer();
    EXPECT_EQ(ve::rendererState->colorBufferCount, createdSoFar + 1);
    EXPECT_NE(third.x, first.x);
    EXPECT_NE(third.x, second.x);
}

TEST(OpenGLRenderer, AFullColorBufferPoolRefusesWithOneLineAndNoBuffer) {
    ve::RendererStateOpenGL* state = ve::rendererState;
    u32 savedCount = state->colorBufferCount;
    // Every slot taken: a level with more texts than the pool holds.
    state->colorBufferCount = ve::maxColorBuffers;
    for (u32 i = 0; i < ve::maxColorBuffers; ++i) state->colorBufferPool[i].inUse = 1;
    printed.clear();
    ve::v2 refused = renderer.createColorBuffer();
    EXPECT_EQ(refused.x, 0.0f);
    EXPECT_EQ(refused.y, 0.0f);
    EXPECT_NE(printed.find("no room for another off-screen colour buffer"), std::string::npos) << printed;

    state->colorBufferCount = savedCount;
    renderer.releaseColorBuffers();
}

// ---------------------------------------------------------------------------------------------
// Uploads
// ---------------------------------------------------------------------------------------------

TEST(OpenGLRenderer, TwoByTwoTextureRepeatsAndHasMipmapsButNoAnisotropicFilter) {
    u32 pixels[4] = {packRGBA(255, 0, 0, 255), packRGBA(0, 255, 0, 255), packRGBA(0, 0, 255, 255),
                     packRGBA(255, 255, 255, 255)};
    ve::Texture texture = makeTexture("two_by_two_img", 2, 2, pixels);
    renderer.uplTexture(&texture);

    ve::GLMemoryEntry* entry = uploadEntry("two_by_two_img");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->type, ve::GLMemoryEntry::TEXTURE);
    u32 id = entry->texture.id;
    EXPECT_EQ(textureParameter(GL_TEXTURE_2D, id, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(textureParameter(GL_TEXTURE_2D, id, GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(textureParameter(GL_TEXTURE_2D, id, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(textureParameter(GL_TEXTURE_2D, id, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    // The software rasteriser's anisotropic filter has no bound on its cost per pixel.
    GLfloat anisotropy = 0.0f;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY, &anisotropy);
    EXPECT_FLOAT_EQ(anisotropy, 1.0f);
    EXPECT_EQ(textureLevelParameter(id, 0, GL_TEXTURE_WIDTH), 2);
    // The mipmap chain reaches the single pixel of level 1.
    EXPECT_EQ(textureLevelParameter(id, 1, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(textureLevelParameter(id, 1, GL_TEXTURE_HEIGHT), 1);
}

TEST(OpenGLRenderer, ASingleColourTextureIsStoredAsOneUnfilteredTexel) {
    // Sampled anywhere, at any level, it is that colour, so nothing else needs storing; a texture
    // with one texel off keeps every texel and its mipmaps.
    std::vector<u32> pixels(16, packRGBA(12, 34, 56, 255));
    ve::Texture single = makeTexture("single_colour_img", 4, 4, pixels.data());
    renderer.uplTexture(&single);
    u32 id = uploadEntry("single_colour_img")->texture.id;
    EXPECT_EQ(textureLevelParameter(id, 0, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(textureLevelParameter(id, 0, GL_TEXTURE_HEIGHT), 1);
    EXPECT_EQ(textureParameter(GL_TEXTURE_2D, id, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    u8 texel[4] = {};
    ve::glBindTexture(GL_TEXTURE_2D, id);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    EXPECT_EQ(texel[0], 12);
    EXPECT_EQ(texel[1], 34);
    EXPECT_EQ(texel[2], 56);
    EXPECT_EQ(texel[3], 255);

    pixels[15] = packRGBA(12, 34, 57, 255);
    ve::Texture almost = makeTexture("almost_single_colour_img", 4, 4, pixels.data());
    renderer.uplTexture(&almost);
    u32 almostId = uploadEntry("almost_single_colour_img")->texture.id;
    EXPECT_EQ(textureLevelParameter(almostId, 0, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(textureLevelParameter(almostId, 2, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(textureParameter(GL_TEXTURE_2D, almostId, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
}

TEST(OpenGLRenderer, UploadingAnIdTwiceKeepsOneEntryNamingTheSecondTexture) {
    u32 pixel = packRGBA(10, 20, 30, 255);
    ve::Texture texture = makeTexture("uploaded_twice_img", 1, 1, &pixel);
    msi entriesBefore = ve::rendererState->uplTable.currentEntries;

    renderer.uplTexture(&texture);
    u32 first = uploadEntry("uploaded_twice_img")->texture.id;
    renderer.uplTexture(&texture);
    u32 second = uploadEntry("uploaded_twice_img")->texture.id;

    EXPECT_EQ(ve::rendererState->uplTable.currentEntries, entriesBefore + 1);
    EXPECT_NE(first, second);
    EXPECT_TRUE(glIsTexture(second));
}

TEST(OpenGLRenderer, MeshUploadRecordsFourAttributesAndTheIndexBufferInItsVertexArray) {
    ve::Mesh mesh = triangleMesh("triangle_mesh");
    renderer.uplMesh(&mesh);

    ve::GLMemoryEntry* entry = uploadEntry("triangle_mesh");
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(entry->type, ve::GLMemoryEntry::MESH);
    ve::GLMesh glMesh = entry->mesh;
    ve::glBindVertexArray(glMesh.vao);
    struct Attribute {
        u32 buffer;
        GLint components;
        GLint bytes;
    };
    const Attribute attributes[4] = {
        {glMesh.pab, 4, 48}, {glMesh.nab, 4, 48}, {glMesh.tab, 2, 24}, {glMesh.cab, 4, 48}};
    for (u32 location = 0; location < 4; ++location) {
        GLint value = 0;
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &value);
        EXPECT_EQ(value, GL_TRUE) << location;
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_SIZE, &value);
        EXPECT_EQ(value, attributes[location].components) << location;
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_TYPE, &value);
        EXPECT_EQ(value, GL_FLOAT) << location;
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &value);
        EXPECT_EQ((u32)value, attributes[location].buffer) << location;
        ve::glBindBuffer(GL_ARRAY_BUFFER, attributes[location].buffer);
        glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &value);
        EXPECT_EQ(value, attributes[location].bytes) << location;
    }
    EXPECT_EQ((u32)integerState(GL_ELEMENT_ARRAY_BUFFER_BINDING), glMesh.ieb);
    GLint indexBytes = 0;
    glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &indexBytes);
    EXPECT_EQ(indexBytes, 12);
    ve::glBindVertexArray(0);
}

TEST(OpenGLRenderer, SkyMeshWithFewerIndicesThanTheSkyPassDrawsIsLeftOutWithOneLine) {
    ve::Mesh mesh = triangleMesh("skybox_mesh");
    printed.clear();
    renderer.uplMesh(&mesh);

    EXPECT_EQ(uploadEntry("skybox_mesh"), nullptr);
    EXPECT_EQ(printed, "Renderer: \"skybox_mesh\" has fewer than 36 indices; the sky is not drawn\n");
}

TEST(OpenGLRenderer, SkyboxIsAMipmappedCubeMapClampedOnAllThreeAxesAndTakesNoTableSlot) {
    u32 pixels[4] = {packRGBA(1, 2, 3, 255), packRGBA(4, 5, 6, 255), packRGBA(7, 8, 9, 255),
                     packRGBA(10, 11, 12, 255)};
    ve::Texture face = makeTexture("skybox_img", 2, 2, pixels);
    ve::Texture* faces[6] = {&face, &face, &face, &face, &face, &face};
    msi entriesBefore = ve::rendererState->uplTable.currentEntries;

    renderer.createSkyBox(faces);

    u32 sky = ve::rendererState->skyBox.id;
    ASSERT_NE(sky, 0u);
    EXPECT_EQ(ve::rendererState->uplTable.currentEntries, entriesBefore);
    EXPECT_EQ(uploadEntry("skybox_img"), nullptr);
    const GLenum wraps[3] = {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R};
    for (GLenum wrap : wraps) {
        EXPECT_EQ(textureParameter(GL_TEXTURE_CUBE_MAP, sky, wrap), GL_CLAMP_TO_EDGE) << wrap;
    }
    EXPECT_EQ(textureParameter(GL_TEXTURE_CUBE_MAP, sky, GL_TEXTURE_MIN_FILTER),
              GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(textureParameter(GL_TEXTURE_CUBE_MAP, sky, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    for (u32 i = 0; i < 6; ++i) {
        GLint width = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, 1, GL_TEXTURE_WIDTH, &width);
        EXPECT_EQ(width, 1) << "face " << i;
    }
}
