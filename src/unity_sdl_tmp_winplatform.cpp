// The one translation unit of the engine and the game. Every engine and game source is included
// here once, in dependency order; the physics library is the exception (its sources are compiled
// on their own) and the program's `main` lives in Platform/SDL/sdl_main.cpp.

// Foundation
#include "Platform/machineDef.cpp"
#include "Memory/memory.cpp"
#include "Util/string.cpp"
#include "Util/Datastructures.cpp"
#include "Math/utilMath.cpp"
#include "Math/Hash/lane_hash.cpp"
