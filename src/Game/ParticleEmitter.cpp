#include "Game/ParticleEmitter.h"

namespace game {

void initParticleEmitter(ve::ParticleSystem*) {}
void updateParticleEmitter(ve::ParticleSystem*) {}
void renderParticleEmitter(ve::ParticleSystem*) {}

} // namespace game
