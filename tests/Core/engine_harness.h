#pragma once
// A headless engine for tests: the real start-up and frame update over an in-memory platform and
// a renderer table that records its calls instead of drawing. The physics scene is real.
//
// Every call of interest (platform blocks, renderer slots, entity functions, cursor changes) is
// appended to one event log, so a test can check what happened and in which order.

#include "Core/engine_main.h"
#include "Core/engine_globals.h"
#include "Core/Scene/scene.h"
#include "Debug/mapeditor.h"
#include "Meta/entity_type_list.h"
#include "Physics/common/phMemory.h"
#include "Physics/scene/phScene.h"
#include "Platform/SDL/sdl_tmp_win_platform.h"
#include "Util/string.h"

#include "bodyOptions.h"
#include "../harness/keyStrokes.h"
#include "../harness/memoryFiles.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace enginetest {

constexpr f32 TICK = 1.0f / 60.0f;

// A scene file with no entities, written from the format: magic "VSF\0", version 0, count 0.
inline std::vector<u8> writeEmptySceneFile() {
    return {0x56, 0x53, 0x46, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
}

struct SkyBoxCall {
    ve::Texture* faces[6];
};

struct EngineHarness {
    memfiles::MemoryFileSystem files;
    std::vector<std::string> events;
    std::vector<buffer> blocks;
    std::vector<ve::Texture*> uploadedTextures;
    std::vector<ve::Mesh*> uploadedMeshes;
    std::vector<SkyBoxCall> skyBoxCalls;
    std::vector<b8> cursorCalls;
    // Meshes in each submitted frame.
    std::vector<msi> submittedMeshCounts;
    u32 rendererReloads = 0;
    ve::GameMemory gameMemory = {};
    ve::GameInput input;
    ve::GameInput debugInput;

    EngineHarness() {
        memset((void*)&input, 0, sizeof(input));
        memset((void*)&debugInput, 0, sizeof(debugInput));
        input.physicsDelta = TICK;
    }
    ~EngineHarness() {
        for (buffer block : blocks) free(block.data);
        memfiles::currentFileSystem() = nullptr;
    }
};

inline EngineHarness*& harness() {
    static EngineHarness* current = nullptr;
    return current;
}

inline void logEvent(const std::string& what) { harness()->events.push_back(what); }

// ---------------------------------------------------------------------------------------------
// The platform: in-memory files, zero-filled blocks from the C runtime, a recorded cursor.
// ---------------------------------------------------------------------------------------------

inline buffer recordAllocateMemory(msi size) {
    buffer block = {size, (u8*)calloc(1, size)};
    harness()->blocks.push_back(block);
    logEvent("block " + std::to_string(size));
    return block;
}

inline void recordSetCursorRelative(b8 relative) {
    harness()->cursorCalls.push_back(relative);
    harness()->input.mouse.relative = relative;
    logEvent(relative ? "cursor relative" : "cursor free");
}

// ---------------------------------------------------------------------------------------------
// The renderer: every slot records its call. Frames are real (the front end's lists on the
// temporary store), so entity render functions can push into them.
// ---------------------------------------------------------------------------------------------

inline void recordReloadRendererGlobals(ve::Renderer*) { harness()->rendererReloads++; }

inline void recordUploadTexture(ve::Texture* texture) {
    harness()->uploadedTextures.push_back(texture);
    logEvent("uplTexture");
}

inline void recordUploadMesh(ve::Mesh* mesh) {
    harness()->uploadedMeshes.push_back(mesh);
    logEvent("uplMesh");
}

inline void recordCreateSkyBox(ve::Texture** faces) {
    SkyBoxCall call;
    for (int i = 0; i < 6; i++) call.faces[i] = faces[i];
    harness()->skyBoxCalls.push_back(call);
    logEvent("createSkyBox");
}

inline ve::RenderFrame recordCreateFrame() {
    logEvent("createFrame");
    return ve::rendererCreateFrame();
}

inline void recordSubmitFrame(ve::RenderFrame* frame) {
    harness()->submittedMeshCounts.push_back(frame->meshes.length);
    logEvent("submit");
}

// Colour buffers are numbered from 1 in creation order: frame buffer n with texture 100 + n.
inline u32 colorBuffersCreated = 0;
inline ve::v2 recordCreateColorBuffer() {
    u32 fbo = ++colorBuffersCreated;
    logEvent("createColorBuffer " + std::to_string(fbo));
    return {(f32)fbo, (f32)(100 + fbo)};
}
inline void recordClearColorBuffer(u32 fbo, ve::v4 color) {
    logEvent("clearColorBuffer " + std::to_string(fbo) + " " + std::to_string(color.x) + " " +
             std::to_string(color.w));
}
inline void recordReleaseColorBuffers() { logEvent("releaseColorBuffers"); }

// A stand-in for the back end's state record: the reload slot runs only when it is set.
inline u8 recordingRendererState[16];

inline ve::Renderer createRecordingRenderer() {
    logEvent("createRenderer");
    ve::Renderer table = {};
    table.reloadRendererGlobals = recordReloadRendererGlobals;
    table.uplTexture = recordUploadTexture;
    table.uplMesh = recordUploadMesh;
    table.createSkyBox = recordCreateSkyBox;
    table.createFrame = recordCreateFrame;
    table.submitFrame = recordSubmitFrame;
    table.createColorBuffer = recordCreateColorBuffer;
    table.clearColorBuffer = recordClearColorBuffer;
    table.releaseColorBuffers = recordReleaseColorBuffers;
    colorBuffersCreated = 0;
    table.rendererState = recordingRendererState;
    return table;
}

// ---------------------------------------------------------------------------------------------
// Entities whose functions record their calls, by entity name.
// ---------------------------------------------------------------------------------------------

inline std::string entityName(void* data) {
    ve::Scene* scene = &ve::engineState->currentScene;
    for (msi i = 0; i < scene->entities.length; i++) {
        ve::Entity* entity = (ve::Entity*)scene->entities[i];
        if (entity->entityData.data == data) return std::string((const char*)entity->name.data, entity->name.length);
    }
    return "?";
}

inline void recordInit(void* data) { logEvent("init " + entityName(data)); }
inline void recordUpdate(void* data) { logEvent("update " + entityName(data)); }
inline void recordRender(void* data) { logEvent("render " + entityName(data)); }

inline ve::EntityType recordingEntityType = {nullptr, recordInit, recordUpdate, recordRender};

// ---------------------------------------------------------------------------------------------
// The test fixture
// ---------------------------------------------------------------------------------------------

class EngineTest : public ::testing::Test, protected vetest::KeyStrokes {
protected:
    EngineHarness h;

    void SetUp() override { harness() = &h; }
    void TearDown() override { harness() = nullptr; }

    void addFile(const std::string& name, const std::vector<u8>& bytes) { h.files.files.push_back({name, bytes}); }

    // The platform's order: one reload, then start-up.
    void startEngine(f64 physicsDelta = TICK) {
        memfiles::installMemoryFileSystem(&h.files);
        h.files.api.allocateMemory = recordAllocateMemory;
        h.files.api.setCursorRelative = recordSetCursorRelative;
        EngineReload(&h.gameMemory, &h.files.api);
        ve::initEngine(&h.gameMemory, physicsDelta, createRecordingRenderer);
    }

    ve::EngineState* state() { return h.gameMemory.engineState; }

    // One frame as the platform runs it: the reload, the update, then the edges are cleared for
    // the next frame's events.
    // True when the engine asked the program to end.
    b8 runFrame(f64 deltaTime = 0.0) {
        h.input.deltaTime = deltaTime;
        // The platform's clock runs with the frames.
        h.input.inputTime += (u32)(deltaTime * 1000.0 + 0.5);
        h.debugInput = h.input;
        EngineReload(&h.gameMemory, &h.files.api);
        b8 quitRequested = EngineUpdate(&h.input, &h.debugInput);
        clearEdges();
        return quitRequested;
    }

    void clearEdges() { ve::clearInputEdges(&h.input); }

    ve::GameInput::Keyboard& keys() { return h.input.keyboard; }

    // An entity of the current scene whose functions record their calls.
    ve::Entity* addRecordingEntity(const char* name, b8 enabled = 1) {
        ve::Scene* scene = &state()->currentScene;
        ve::Entity* entity = ve::createEntity(scene, ve::MetaType::game_WallEntity, ve::wrapASCIIZ(name));
        EXPECT_NE(entity, nullptr);
        entity->type = &recordingEntityType;
        entity->enabled = enabled;
        return entity;
    }

    std::vector<std::string> eventsStartingWith(const std::string& prefix) {
        std::vector<std::string> matching;
        for (const std::string& event : h.events)
            if (event.compare(0, prefix.size(), prefix) == 0) matching.push_back(event);
        return matching;
    }

    // A dynamic body with one unit box, free to fall, in the engine's physics scene.
    phBody* addFallingBody(ve::v3 position = {0, 10, 0}) {
        ve::Primitive box = vetest::boxCollider(ve::iMat4(), {1, 1, 1});
        ve::BodyOpts opts = vetest::bodyOptions((u32)ve::BodyType::Dynamic, position, &box, 1);
        ve::createBody(state()->scene, &opts);
        return ve::getBody(opts.physicsBody);
    }
};

} // namespace enginetest
