#pragma once
// The engine's three entry points (`EngineReload`, `EngineInit`, `EngineUpdate`, C linkage),
// declared with the platform interface that calls them.
//
// This is the stand-in engine that runs until the engine core exists: it keeps the globals
// pointed and clears the window every frame, so the platform layer can be run and tested whole.

#include "Platform/ve_platform.h"
