#include "Core/engine_globals.h"

namespace ve {

PlatformAPI* platform;
EngineState* engineState;
MemoryStore* tmpStore;
MemoryStore* permanentStore;
AssetRegister* assets;
Renderer* renderer;
GameInput* input;
GameInput* debugInput;

} // namespace ve
