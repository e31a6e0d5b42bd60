// The particle emitter: its settings are data only, and its functions leave them and the frame
// untouched.

#include "game_harness.h"

#include "Game/ParticleEmitter.h"

#include <string.h>

using namespace gametest;

namespace {

class ParticleEmitter : public GameTest {};

TEST_F(ParticleEmitter, AnEmitterInALevelDrawsNothingAndChangesNothing) {
    game::ParticleEmitter* emitter = addEntity<game::ParticleEmitter>(ve::MetaType::game_ParticleEmitter, "Sparks");
    emitter->system.position = vec(1, 2, 3);
    emitter->system.spawnType = ve::Ring;
    emitter->system.particlesPerSecond = 40;
    emitter->system.lifeTime1 = 2.5f;
    game::ParticleEmitter before = *emitter;

    ve::initScene(&state()->currentScene);
    runFrame(TICK);
    ve::RenderFrame* drawn = &frame();
    for (ve::ChunkStore* list : {&drawn->pointLights, &drawn->quads, &drawn->transQuads, &drawn->renderToTexQuads,
                                 &drawn->meshes, &drawn->hudElements, &drawn->particleSystems})
        EXPECT_EQ(list->length, 0u);
    EXPECT_EQ(memcmp(&before, emitter, sizeof(before)), 0);
}

} // namespace
