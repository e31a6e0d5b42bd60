#pragma once
// The engine's globals: one copy each, re-pointed by `EngineReload` on every frame so that they
// survive a reload of the engine. Game code reaches the platform, the input and the engine's
// state through them.

#include "Platform/ve_platform.h"

namespace ve {

struct MemoryStore;
struct AssetRegister;
struct Renderer;

// The platform's table of operations.
extern PlatformAPI* platform;
// The engine state record and its parts; null until the engine has been initialised.
extern EngineState* engineState;
extern MemoryStore* tmpStore;
extern MemoryStore* permanentStore;
extern AssetRegister* assets;
extern Renderer* renderer;
// This frame's game input (a replayed recording during input playback) and the live input that
// the map editor reads.
extern GameInput* input;
extern GameInput* debugInput;

} // namespace ve
