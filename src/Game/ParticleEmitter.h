#pragma once
// The particle emitter entity: emitter settings, data only. Its functions take the emitter's
// ve::ParticleSystem, which has the record's address.

#include "Renderer/renderInstances.h"

namespace game {

struct ParticleEmitter {
    ve::ParticleSystem system;
};

// The settings are stored in levels and edited in the map editor; nothing acts on them, so the
// emitter's functions do nothing.
void initParticleEmitter(ve::ParticleSystem* system);
void updateParticleEmitter(ve::ParticleSystem* system);
void renderParticleEmitter(ve::ParticleSystem* system);

} // namespace game
