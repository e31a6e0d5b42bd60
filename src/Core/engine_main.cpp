#include "Core/engine_main.h"

#include "Core/Assets/assets.h"
#include "Core/Scene/scene.h"
#include "Debug/mapeditor.h"
#include "Game/time.h"
#include "Math/floatMath.h"
#include "Physics/physics.h"
#include "Renderer/OpenGL/opengl_renderer.h"
#include "Util/serialization.h"
#include "Util/string.h"

#include <math.h>
#include <string.h>

namespace ve {

// =============================================================================================
// Start-up
// =============================================================================================

namespace detail {

MemoryStore createPlatformStore(msi size) { return createHeapStore(platform->allocateMemory(size)); }

// The permanent, temporary and physics stores with the state record as the permanent store's
// first allocation. The platform's blocks come zero-filled, so every field that start-up does not
// set starts at zero (an empty history, no pending scene switch, gamma 0).
EngineState* createEngineState(GameMemory* gameMemory) {
    MemoryStore permanent = createPlatformStore(PERMANENT_STORE_SIZE);
    buffer tmpBlock = platform->allocateMemory(TMP_STORE_SIZE);
    buffer physicsBlock = platform->allocateMemory(PHYSICS_STORE_SIZE);

    EngineState* state = (EngineState*)pushToHeap(&permanent, sizeof(EngineState));
    VE_ASSERT_NOT_NULL(state);
    gameMemory->engineState = state;
    // Copied only now, so that the record kept in the state already accounts for the state.
    state->permanentStore = permanent;
    state->tmpStore = createHeapStore(tmpBlock);
    state->physicsStore = createHeapStore(physicsBlock);
    return state;
}

void createAssets(EngineState* state) {
    state->assets = (AssetRegister*)pushToHeap(&state->permanentStore, sizeof(AssetRegister));
    VE_ASSERT_NOT_NULL(state->assets);
    assets = state->assets;
    createAssetRegister(state->assets, MAX_MESHES, MAX_TEXTURES, MAX_MATERIALS);
}

void buildPhysics(EngineState* state, f64 physicsDelta) {
    state->scene = createPhysicsScene(&state->permanentStore, (f32)physicsDelta, {0.0f, WORLD_GRAVITY_Y, 0.0f},
                                      PHYSICS_ITERATIONS);
    initPhysics();
}

// Through the game's own scene switch: a missing or damaged level gives the empty "New Scene",
// with the reason on screen.
void loadFirstScene(EngineState* state) {
    state->loadScene = wrapASCIIZ(FIRST_SCENE_NAME);
    switchSceneOnRequest(state);
}

} // namespace detail

void pointEngineGlobals(EngineState* state) {
    engineState = state;
    tmpStore = &state->tmpStore;
    permanentStore = &state->permanentStore;
    assets = state->assets;
    renderer = &state->renderer;
    usePhysicsStore(&state->physicsStore);
}

void uploadAssets(Renderer* target, AssetRegister* assetRegister) {
    Hash skyboxId = hashASCIIZ(SKYBOX_TEXTURE_NAME);
    for (u64 i = 0; i < assetRegister->textureCount; i++) {
        Texture* texture = &assetRegister->textures[i];
        if (texture->id != skyboxId) {
            target->uplTexture(texture);
            continue;
        }
        Texture* faces[6] = {texture, texture, texture, texture, texture, texture};
        target->createSkyBox(faces);
    }
    for (u64 i = 0; i < assetRegister->meshCount; i++) target->uplMesh(&assetRegister->meshes[i]);
}

void initEngine(GameMemory* gameMemory, f64 physicsDelta, CreateRendererFunc createRenderer) {
    EngineState* state = detail::createEngineState(gameMemory);
    pointEngineGlobals(state);

    detail::createAssets(state);
    state->renderer = createRenderer();
    state->timeSaveDelayConst = 2;
    state->sorting = true;
    debugInit(gameMemory);

    loadAllPakFiles(state->assets, SCENE_STORE_RESERVE);
    uploadAssets(&state->renderer, state->assets);

    detail::buildPhysics(state, physicsDelta);
    detail::loadFirstScene(state);
    platform->setCursorRelative(true);
}

// =============================================================================================
// The frame
// =============================================================================================

namespace detail {
// `gamma` moved by `steps` and rounded to a whole step: the steps are counted exactly (whole
// numbers in f32), and each count has one value.
f32 stepGamma(f32 gamma, f32 steps) { return roundf(gamma * GAMMA_STEPS_PER_UNIT + steps) / GAMMA_STEPS_PER_UNIT; }
} // namespace detail

void handleDisplayKeys(EngineState* state, GameInput* input) {
    GameInput::Keyboard* keys = &input->keyboard;
    if (keys->F5.wentDown) state->gamma = detail::stepGamma(state->gamma, -1.0f);
    if (keys->F6.wentDown) state->gamma = min(detail::stepGamma(state->gamma, 1.0f), GAMMA_MAX);
    if (keys->SCROLL_LOCK.wentDown) platform->setCursorRelative(!input->mouse.relative);
}

namespace detail {
// Hands the rewound pose and velocities of every recorded body back to the physics library.
void reapplyTimedBodies(EngineState* state) {
    for (u32 i = 0; i < state->timedPhysicBodyCount; i++) updateObject(state->timedPhysicBodyIds[i]);
}
} // namespace detail

void decideFrameTime(EngineState* state, GameInput* input, b8 hotkeysActive) {
    // Both lengths come from the input, so a replayed recording replays its own timing.
    b8 due = state->timeSinceLastPhysicsUpdate + input->deltaTime >= (f64)input->physicsDelta;
    state->timeSinceLastPhysicsUpdate += input->deltaTime;
    if (due) state->timeSinceLastPhysicsUpdate -= (f64)input->physicsDelta;
    // A tick that falls due while the editor has paused the scene is used up without effect.
    b8 ticks = due && state->currentScene.enabled;
    GameInput::Keyboard::Key space = hotkeysActive ? input->keyboard.SPACE : GameInput::Keyboard::Key{};
    b8 rewinding = isHeldThisFrame(space);
    state->thisFrame = {.stepsPhysics = ticks && !rewinding, .stepsBack = ticks && rewinding, .rewinding = rewinding,
                        .rewindStarts = space.wentDown, .rewindEnds = space.wentUp && !space.isDown};
}

void runPhysicsTick(EngineState* state) {
    if (state->thisFrame.stepsBack) stepBack();
    if (!state->thisFrame.stepsPhysics) return;
    // Recorded first, so a snapshot holds the state at the start of its tick.
    saveTimeVars();
    physicsUpdate(state->scene);
}

void enterScene(EngineState* state, Scene* loaded, const c8* failure, string name) {
    // `name` may lie in the heap that the switch frees: it is kept before, cut to what the record
    // holds. It is read only while `sceneFailure` is set.
    msi kept = name.length < FAILED_SCENE_NAME_SIZE ? name.length : FAILED_SCENE_NAME_SIZE - 1;
    memcpy(state->failedSceneName, name.data, kept);
    state->failedSceneName[kept] = 0;
    replaceScene(&state->currentScene, loaded);
    state->sceneFailure = failure;
    noticeSceneSwitch();
}

void switchSceneOnRequest(EngineState* state) {
    if (!state->loadScene.data) return;
    Scene loaded;
    SceneLoadReport report = loadScene(&loaded, state->loadScene, &state->permanentStore);
    enterScene(state, &loaded, report.failure, state->loadScene);
    // The length is left as it was: a request is pending exactly while the pointer is set.
    state->loadScene.data = 0;
}

b8 updateEngine(GameInput* frameInput, GameInput* frameDebugInput) {
    if (tmpStore) resetHeapStore(tmpStore);
    input = frameInput;
    debugInput = frameDebugInput;

    EngineState* state = engineState;
    // What is typed into a text field of the editor is no command for the game.
    b8 hotkeysActive = !debugCapturesKeyboard();
    decideFrameTime(state, frameInput, hotkeysActive);
    state->renderer.frame = state->renderer.createFrame();
    state->renderer.frame.setClearCol(v3{0.0f, 0.0f, 0.0f});

    // Updates see the physics of the end of the previous tick, and the frame shows the state
    // before this frame's tick. Renders run also while the editor pauses the scene.
    updateScene(&state->currentScene);
    renderScene(&state->currentScene);

    if (hotkeysActive) handleDisplayKeys(state, frameInput);
    // A rewind that ends in this frame hands the rewound state back before the tick records and
    // steps from it; a SPACE tapped within this frame rewinds in its tick and hands back after it.
    b8 handBack = state->thisFrame.rewindEnds;
    if (handBack && !state->thisFrame.rewinding) detail::reapplyTimedBodies(state);
    runPhysicsTick(state);
    if (handBack && state->thisFrame.rewinding) detail::reapplyTimedBodies(state);

    state->renderer.submitFrame(&state->renderer.frame);
    // After the submit: the frame that asked for the switch still shows the old scene.
    switchSceneOnRequest(state);
    if (hotkeysActive && frameInput->keyboard.F10.wentDown) state->sorting = !state->sorting;
    b8 escapeTaken = debugUpdate();
    return frameDebugInput->keyboard.ESC.wentDown && !escapeTaken;
}

} // namespace ve

// =============================================================================================
// Entry points
// =============================================================================================

extern "C" void EngineReload(ve::GameMemory* gameMemory, ve::PlatformAPI* platform) {
    ve::platform = platform;
    ve::EngineState* state = gameMemory->engineState;
    if (state) {
        ve::pointEngineGlobals(state);
        ve::Renderer* renderer = &state->renderer;
        if (renderer->reloadRendererGlobals && renderer->rendererState) renderer->reloadRendererGlobals(renderer);
    }
    ve::debugReload(gameMemory);
}

extern "C" void EngineInit(ve::GameMemory* gameMemory, f64 physicsDelta) {
    ve::initEngine(gameMemory, physicsDelta, ve::createRendererOpenGL);
}

extern "C" b8 EngineUpdate(ve::GameInput* input, ve::GameInput* debugInput) { return ve::updateEngine(input, debugInput); }
