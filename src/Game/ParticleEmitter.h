#pragma once
// The particle emitter entity: emitter settings, data only. Its functions take the emitter's
// ve::ParticleSystem, which has the record's address.

#include "Renderer/renderInstances.h"

namespace game {

struct ParticleEmitter {
    ve::ParticleSystem system;
};

} // namespace game
