#pragma once
// A started headless engine for the game's entity types: the real engine state, stores, physics
// scene and frame lists, a renderer table that records frames instead of drawing, an asset
// register that holds only what a test registers by name, and the game input record that tests
// write to directly.

#include "../Physics/physicsGlue_harness.h"

#include "Core/Assets/assets.h"
#include "Core/Scene/scene.h"
#include "Game/entityShared.h"
#include "Meta/entity_type_list.h"
#include "Renderer/renderer.h"
#include "Util/string.h"

#include <gtest/gtest.h>

#include <math.h>

#include <string>
#include <vector>

namespace gametest {

using gluetest::vec;
using gluetest::distance;
using enginetest::TICK;

// Every asset the entity types of the game draw with.
inline const char* const MESH_NAMES[] = {"light_mesh", "cube_mesh"};
inline const char* const TEXTURE_NAMES[] = {"light_img", "light_emission_img", "cube_img", "cube_emission_img",
                                            "ground_img", "ground_emission_img"};
inline const char* const MATERIAL_NAMES[] = {"light_mat", "cube_mat"};

class GameTest : public gluetest::GlueTest {
protected:
    void SetUp() override {
        GlueTest::SetUp();
        // `ve::input` points at the harness's record between frames too, so that entity functions
        // called directly read the same input that runFrame hands the engine.
        ve::input = &h.input;
        newFrame();
    }

    // --- assets -------------------------------------------------------------------------------

    void registerMesh(const char* name) {
        ve::Mesh mesh = {};
        mesh.id = ve::hashASCIIZ(name);
        ve::registerMesh(ve::assets, mesh);
    }
    void registerTexture(const char* name) {
        ve::Texture texture = {};
        texture.id = ve::hashASCIIZ(name);
        ve::registerTexture(ve::assets, texture);
    }
    void registerMaterial(const char* name) {
        ve::BasicMat material = {};
        material.id = ve::hashASCIIZ(name);
        ve::registerMaterial(ve::assets, material);
    }
    // The assets of every type this file's entities draw.
    void registerGameAssets() {
        for (const char* name : MESH_NAMES) registerMesh(name);
        for (const char* name : TEXTURE_NAMES) registerTexture(name);
        for (const char* name : MATERIAL_NAMES) registerMaterial(name);
    }

    // --- entities -----------------------------------------------------------------------------

    // A zeroed entity of the real type row for `type`, named `name`, in the current scene.
    template <typename Record> Record* addEntity(ve::MetaType type, const char* name) {
        ve::Entity* entity = ve::createEntity(&state()->currentScene, type, ve::wrapASCIIZ(name));
        EXPECT_NE(entity, nullptr);
        return entity ? (Record*)entity->entityData.data : nullptr;
    }

    // An empty, running scene in place of the current one, with no bodies left in the physics
    // scene: a clean start for one case of a table.
    void startNewScene() {
        ve::Scene* scene = &state()->currentScene;
        *scene = ve::createScene(ve::wrapASCIIZ("Test Scene"), ve::newSceneHeapSize, ve::permanentStore);
        scene->enabled = 1;
        ve::removeAllBodies(state()->scene);
    }

    static ve::EntityRef refTo(const char* name) { return {ve::hashASCIIZ(name)}; }

    // --- frames -------------------------------------------------------------------------------

    // A fresh render frame, as the engine makes one at the start of a frame.
    void newFrame() { ve::renderer->frame = ve::rendererCreateFrame(); }
    ve::RenderFrame& frame() { return ve::renderer->frame; }

    template <typename Record> static Record* entryOf(ve::ChunkStore* list, msi index) {
        return (Record*)(*list)[index];
    }
    ve::MeshInstance* meshAt(msi index) { return entryOf<ve::MeshInstance>(&frame().meshes, index); }
    ve::QuadInstance* quadAt(msi index) { return entryOf<ve::QuadInstance>(&frame().quads, index); }
    ve::PointLight* lightAt(msi index) { return entryOf<ve::PointLight>(&frame().pointLights, index); }

    // --- input --------------------------------------------------------------------------------

    void setFrameTime(f64 deltaTime) { h.input.deltaTime = deltaTime; }
    // What the engine decides from the keys and the clock as a frame starts, for entity functions
    // called directly.
    void decideFrame() { ve::decideFrameTime(state(), &h.input, true); }
};

} // namespace gametest
