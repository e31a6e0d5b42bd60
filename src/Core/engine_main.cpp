#include "Core/engine_main.h"

#include "Core/engine_globals.h"

namespace ve::detail {

// The two OpenGL calls the stand-in needs, fetched by name like every other GL entry point.
typedef void (*StandInClearColorFunc)(f32 red, f32 green, f32 blue, f32 alpha);
typedef void (*StandInClearFunc)(u32 mask);
constexpr u32 standInColorBufferBit = 0x00004000; // GL_COLOR_BUFFER_BIT

StandInClearColorFunc standInClearColor;
StandInClearFunc standInClear;

} // namespace ve::detail

extern "C" void EngineReload(ve::GameMemory* gameMemory, ve::PlatformAPI* platform) {
    ve::platform = platform;
    ve::engineState = gameMemory->engineState;
}

extern "C" void EngineInit(ve::GameMemory*, f64) {
    using namespace ve::detail;
    standInClearColor = (StandInClearColorFunc)ve::platform->getGLProcAddr((c8*)"glClearColor");
    standInClear = (StandInClearFunc)ve::platform->getGLProcAddr((c8*)"glClear");
    VE_ASSERT_NOT_NULL(standInClearColor);
    VE_ASSERT_NOT_NULL(standInClear);
}

extern "C" void EngineUpdate(ve::GameInput* input, ve::GameInput* debugInput) {
    using namespace ve::detail;
    ve::input = input;
    ve::debugInput = debugInput;
    standInClearColor(0.1f, 0.3f, 0.3f, 1.0f);
    standInClear(standInColorBufferBit);
}
