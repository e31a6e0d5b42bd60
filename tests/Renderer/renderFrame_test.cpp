// The render frame: its seven lists on the temporary store, the push operations and their checks.

#include "Renderer/renderer.h"
#include "Core/engine_globals.h"
#include "Memory/memory.h"

#include <gtest/gtest.h>

#include <string.h>

#include <vector>

namespace {

ve::v3 vec3(f32 x, f32 y, f32 z) { return ve::v3{{x, y, z}}; }
ve::v2 vec2(f32 x, f32 y) { return ve::v2{{x, y}}; }
ve::v4 vec4(f32 x, f32 y, f32 z, f32 w) { return ve::v4{{x, y, z, w}}; }

// A rotation whose nine entries are all different, so a mixed-up copy shows.
ve::mat3 numberedMat3(f32 base) {
    ve::mat3 m;
    for (int i = 0; i < 9; ++i) (&m.E11)[i] = base + (f32)i;
    return m;
}

class RenderFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        memory.resize(1 << 20);
        store = ve::createHeapStore(buffer{memory.size(), memory.data()});
        ve::tmpStore = &store;
        frame = ve::rendererCreateFrame();
    }
    void TearDown() override { ve::tmpStore = nullptr; }

    std::vector<u8> memory;
    ve::MemoryStore store;
    ve::RenderFrame frame;
    ve::Texture texture = {};
    ve::Texture emission = {};
    ve::Mesh mesh = {};
    ve::BasicMat material = {};
};

TEST_F(RenderFrameTest, ANewFrameIsEmptyWithItsListsSizedForTheirRecords) {
    struct ListShape {
        ve::ChunkStore* list;
        msi entrySize;
        msi perChunk;
    };
    const ListShape lists[] = {
        {&frame.pointLights, sizeof(ve::PointLight), 16},  {&frame.quads, sizeof(ve::QuadInstance), 30},
        {&frame.transQuads, sizeof(ve::QuadInstance), 5},  {&frame.renderToTexQuads, sizeof(ve::QuadInstance), 16},
        {&frame.meshes, sizeof(ve::MeshInstance), 16},     {&frame.hudElements, sizeof(ve::QuadInstance), 16},
        {&frame.particleSystems, sizeof(ve::ParticleSystem), 16},
    };
    for (const ListShape& shape : lists) {
        EXPECT_EQ(shape.list->length, 0u);
        EXPECT_EQ(shape.list->entrySize, shape.entrySize);
        EXPECT_EQ(shape.list->numEntriesPerChunk, shape.perChunk);
        EXPECT_EQ(shape.list->store, &store);
        EXPECT_EQ(shape.list->chunkLocations.length, 0u);
    }
    EXPECT_EQ(frame.clearColor.x, 0.0f);
    EXPECT_EQ(frame.cam.pos.z, 0.0f);
    EXPECT_EQ(frame.cam.view.E44, 0.0f);
}

TEST_F(RenderFrameTest, CreatingAFrameReleasesEverythingTheTemporaryStoreHeld) {
    void* first = ve::pushToHeap(&store, 64);
    frame.pointLight(vec3(1, 2, 3), vec3(4, 5, 6), vec3(7, 8, 9));
    ve::pushToHeap(&store, 4096);
    frame = ve::rendererCreateFrame();
    // The store starts over: the next allocation lands where the first one did.
    EXPECT_EQ(ve::pushToHeap(&store, 64), first);
    EXPECT_EQ(frame.pointLights.length, 0u);
}

TEST_F(RenderFrameTest, SetClearColAndPointLightFillTheirFields) {
    frame.setClearCol(vec3(0.1f, 0.2f, 0.3f));
    EXPECT_EQ(frame.clearColor.g, 0.2f);
    frame.pointLight(vec3(1, 2, 3), vec3(6, 4, 2.5f), vec3(1, 0.4f, 0.1f));
    ASSERT_EQ(frame.pointLights.length, 1u);
    ve::PointLight* light = (ve::PointLight*)frame.pointLights[0];
    EXPECT_EQ(light->position.z, 3.0f);
    EXPECT_EQ(light->color.x, 6.0f);
    EXPECT_EQ(light->attenuation.y, 0.4f);
}

TEST_F(RenderFrameTest, QuadTakesEmissionSecondButStoresItLast) {
    frame.quad(vec3(1, 2, 3), numberedMat3(10), vec3(4, 5, 6), &texture, &emission, vec2(7, 8), vec2(9, 10),
               vec4(0.1f, 0.3f, 0.3f, 0.05f));
    ASSERT_EQ(frame.quads.length, 1u);
    ve::QuadInstance* quad = (ve::QuadInstance*)frame.quads[0];
    EXPECT_EQ(quad->position.y, 2.0f);
    EXPECT_EQ(quad->rotation.E32, 15.0f);
    EXPECT_EQ(quad->scale.z, 6.0f);
    EXPECT_EQ(quad->texture, &texture);
    EXPECT_EQ(quad->emission, &emission);
    EXPECT_EQ(quad->uvScale.y, 8.0f);
    EXPECT_EQ(quad->uvOffset.x, 9.0f);
    EXPECT_EQ(quad->outline.w, 0.05f);
    EXPECT_EQ(quad->fbo, 0u);
    EXPECT_EQ(quad->colorBuf, 0u);
    EXPECT_EQ(frame.transQuads.length + frame.hudElements.length + frame.renderToTexQuads.length, 0u);
}

TEST_F(RenderFrameTest, TransQuadGoesToRenderToTextureExactlyWhenItHasAFrameBuffer) {
    struct Routing {
        u32 fbo, colorBuf;
        bool toTexture;
    };
    const Routing cases[] = {{5, 0, true}, {0, 7, false}, {0, 0, false}, {3, 4, true}};
    for (const Routing& c : cases) {
        frame = ve::rendererCreateFrame();
        frame.transQuad(vec3(0, 0, 0), ve::iMat3(), vec3(1, 1, 1), &texture, &emission, vec2(1, 1), vec2(0, 0),
                        vec4(0, 0, 0, 0), c.fbo, c.colorBuf);
        ve::ChunkStore* expected = c.toTexture ? &frame.renderToTexQuads : &frame.transQuads;
        ve::ChunkStore* other = c.toTexture ? &frame.transQuads : &frame.renderToTexQuads;
        ASSERT_EQ(expected->length, 1u) << c.fbo << " " << c.colorBuf;
        EXPECT_EQ(other->length, 0u);
        ve::QuadInstance* quad = (ve::QuadInstance*)(*expected)[0];
        EXPECT_EQ(quad->fbo, c.fbo);
        EXPECT_EQ(quad->colorBuf, c.colorBuf);
        EXPECT_EQ(quad->emission, &emission);
    }
}

TEST_F(RenderFrameTest, HudElementsLandInTheirOwnListWithoutBuffers) {
    frame.hudElement(vec3(-0.95f, 0.9f, 0), ve::iMat3(), vec3(0.07f, 0.095f, 0), &texture, nullptr, vec2(0.0625f, 0.09f),
                     vec2(0.875f, 0), vec4(0, 0, 0, 0));
    ASSERT_EQ(frame.hudElements.length, 1u);
    ve::QuadInstance* element = (ve::QuadInstance*)frame.hudElements[0];
    EXPECT_EQ(element->uvOffset.x, 0.875f);
    EXPECT_EQ(element->emission, nullptr); // HUD elements never read it
    EXPECT_EQ(element->fbo, 0u);
    EXPECT_EQ(frame.quads.length, 0u);
}

TEST_F(RenderFrameTest, MeshTakesMaterialAndEmissionInArgumentOrder) {
    frame.mesh(vec3(1, 2, 3), numberedMat3(20), vec3(2, 2, 2), &mesh, &texture, &material, &emission, vec2(1, 1),
               vec2(0.5f, 0), vec4(0.1f, 0.3f, 0.3f, 0.05f));
    ASSERT_EQ(frame.meshes.length, 1u);
    ve::MeshInstance* instance = (ve::MeshInstance*)frame.meshes[0];
    EXPECT_EQ(instance->mesh, &mesh);
    EXPECT_EQ(instance->texture, &texture);
    EXPECT_EQ(instance->material, &material);
    EXPECT_EQ(instance->emission, &emission);
    EXPECT_EQ(instance->rotation.E11, 20.0f);
    EXPECT_EQ(instance->uvOffset.x, 0.5f);
    EXPECT_EQ(instance->outline.x, 0.1f);
}

TEST_F(RenderFrameTest, RecordOverloadsPushTheRecordUnchanged) {
    ve::QuadInstance quad = {};
    quad.texture = &texture;
    quad.fbo = 9; // kept as given: the record overload does no routing
    frame.quad(quad);
    ve::MeshInstance instance = {};
    instance.mesh = &mesh;
    frame.mesh(instance);
    ve::PointLight light = {};
    light.color = vec3(2, 1.5f, 1);
    frame.pointLight(light);
    ve::ParticleSystem system = {};
    system.particlesPerSecond = 30;
    system.spawnType = ve::Ring;
    frame.particleSystem(system);
    EXPECT_EQ(memcmp(frame.quads[0], &quad, sizeof(quad)), 0);
    EXPECT_EQ(memcmp(frame.meshes[0], &instance, sizeof(instance)), 0);
    EXPECT_EQ(memcmp(frame.pointLights[0], &light, sizeof(light)), 0);
    EXPECT_EQ(((ve::ParticleSystem*)frame.particleSystems[0])->particlesPerSecond, 30u);
}

TEST_F(RenderFrameTest, TheThirtyFirstQuadOpensASecondChunkAndNothingMoves) {
    std::vector<void*> addresses;
    for (int i = 0; i < 31; ++i) {
        frame.quad(vec3((f32)i, 0, 0), ve::iMat3(), vec3(1, 1, 1), &texture, &emission, vec2(1, 1), vec2(0, 0),
                   vec4(0, 0, 0, 0));
        addresses.push_back(frame.quads[i]);
        if (i == 29) {
            EXPECT_EQ(frame.quads.chunkLocations.length, 1u);
        }
    }
    EXPECT_EQ(frame.quads.length, 31u);
    EXPECT_EQ(frame.quads.chunkLocations.length, 2u);
    for (int i = 0; i < 31; ++i) {
        EXPECT_EQ(frame.quads[i], addresses[i]);
        EXPECT_EQ(((ve::QuadInstance*)frame.quads[i])->position.x, (f32)i);
    }
}

TEST_F(RenderFrameTest, SmallChunksOpenWhereTheirCountsSay) {
    for (int i = 0; i < 6; ++i) {
        frame.transQuad(vec3(0, 0, (f32)i), ve::iMat3(), vec3(1, 1, 1), &texture, &emission, vec2(1, 1), vec2(0, 0),
                        vec4(0, 0, 0, 0), 0, 0);
    }
    EXPECT_EQ(frame.transQuads.chunkLocations.length, 2u);
    for (int i = 0; i < 17; ++i) frame.pointLight(vec3(0, 0, 0), vec3(1, 1, 1), vec3(1, 0, 0));
    EXPECT_EQ(frame.pointLights.chunkLocations.length, 2u);
    EXPECT_EQ(frame.pointLights.length, 17u);
}

using RenderFrameDeathTest = RenderFrameTest;

TEST_F(RenderFrameDeathTest, PushesRefuseMissingAssets) {
    const ve::v3 p = vec3(0, 0, 0), s = vec3(1, 1, 1);
    const ve::v2 one = vec2(1, 1), zero = vec2(0, 0);
    const ve::v4 none = vec4(0, 0, 0, 0);
    EXPECT_DEATH(frame.quad(p, ve::iMat3(), s, nullptr, &emission, one, zero, none), "ASSERTION FAILED:.*NOT NULL: texture");
    EXPECT_DEATH(frame.transQuad(p, ve::iMat3(), s, nullptr, &emission, one, zero, none, 0, 0),
                 "ASSERTION FAILED:.*NOT NULL: texture");
    EXPECT_DEATH(frame.hudElement(p, ve::iMat3(), s, nullptr, nullptr, one, zero, none), "ASSERTION FAILED:.*NOT NULL: texture");
    // The mesh checks run in the order mesh, texture, material.
    EXPECT_DEATH(frame.mesh(p, ve::iMat3(), s, nullptr, nullptr, nullptr, &emission, one, zero, none),
                 "ASSERTION FAILED:.*NOT NULL: mesh");
    EXPECT_DEATH(frame.mesh(p, ve::iMat3(), s, &mesh, nullptr, nullptr, &emission, one, zero, none),
                 "ASSERTION FAILED:.*NOT NULL: texture");
    EXPECT_DEATH(frame.mesh(p, ve::iMat3(), s, &mesh, &texture, nullptr, &emission, one, zero, none),
                 "ASSERTION FAILED:.*NOT NULL: material");
}

TEST_F(RenderFrameDeathTest, CreatingAFrameWithoutATemporaryStoreStops) {
    ve::tmpStore = nullptr;
    EXPECT_DEATH(ve::rendererCreateFrame(), "ASSERTION FAILED:.*NOT NULL: store");
}

TEST(RenderRecords, FieldsKeepTheirDeclaredOrder) {
    EXPECT_LT(offsetof(ve::QuadInstance, colorBuf), offsetof(ve::QuadInstance, emission));
    EXPECT_LT(offsetof(ve::QuadInstance, texture), offsetof(ve::QuadInstance, uvScale));
    EXPECT_LT(offsetof(ve::MeshInstance, material), offsetof(ve::MeshInstance, uvScale));
    EXPECT_LT(offsetof(ve::Camera, proj), offsetof(ve::Camera, pos));
    EXPECT_LT(offsetof(ve::ParticleSystem, varVelocity), offsetof(ve::ParticleSystem, texture));
    EXPECT_EQ(sizeof(ve::ParticleSpawnerType), 4u);
    EXPECT_EQ(sizeof(ve::RendererType), 4u);
    // The table is the eight slots, the colour buffers' release after them, then the frame.
    EXPECT_EQ(offsetof(ve::Renderer, clearColorBuffer), 7 * sizeof(void*));
    EXPECT_EQ(offsetof(ve::Renderer, releaseColorBuffers), 8 * sizeof(void*));
    EXPECT_EQ(offsetof(ve::Renderer, frame), 9 * sizeof(void*));
    ve::Renderer zeroed = {};
    EXPECT_EQ(zeroed.info.type, ve::OPENGL);
}

} // namespace
