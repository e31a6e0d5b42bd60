#pragma once
// A started engine without a window for the headless benchmarks: a platform table whose blocks
// come zero-filled from the C runtime and whose files and console are empty, and a renderer
// table that keeps the front end's frames but uploads and draws nothing.

#include "Core/engine_main.h"
#include "Renderer/renderer.h"

#include <stdlib.h>

namespace benchharness {

inline buffer allocateZeroedMemory(msi size) { return {size, (u8*)calloc(1, size)}; }
inline void ignoreCursor(b8) {}
inline void ignorePrint(string) {}
inline ve::PlatformFileList listNoFiles(string) { return {}; }
inline void closeNoFiles(ve::PlatformFileList) {}

inline void skipUpload(ve::Texture*) {}
inline void skipMeshUpload(ve::Mesh*) {}
inline void skipSkyBox(ve::Texture**) {}
inline void skipSubmit(ve::RenderFrame*) {}

// Frames are the front end's own (the lists on the temporary store); nothing reaches a GPU.
inline ve::Renderer createSilentRenderer() {
    ve::Renderer table = {};
    table.uplTexture = skipUpload;
    table.uplMesh = skipMeshUpload;
    table.createSkyBox = skipSkyBox;
    table.createFrame = ve::rendererCreateFrame;
    table.submitFrame = skipSubmit;
    return table;
}

// The platform table of a headless engine; it lives as long as the process.
inline ve::PlatformAPI* headlessPlatform() {
    static ve::PlatformAPI api = {};
    api.allocateMemory = allocateZeroedMemory;
    api.setCursorRelative = ignoreCursor;
    api.print = ignorePrint;
    api.openFileList = listNoFiles;
    api.closeFileList = closeNoFiles;
    return &api;
}

// Starts the engine into `gameMemory` with a tick of 1/60 s; its blocks are never given back. No
// pack and no level are found, so the current scene is the empty "New Scene".
inline void startHeadlessEngine(ve::GameMemory* gameMemory, ve::Renderer (*createRenderer)()) {
    EngineReload(gameMemory, headlessPlatform());
    ve::initEngine(gameMemory, 1.0 / 60.0, createRenderer);
}

} // namespace benchharness
