// levelbuild: builds the game's six levels and writes them as "assets/Level 1.vsf" to
// "assets/Level 6.vsf", through the engine's own scene operations and scene writer.
//
//   levelbuild            (run from the repository root)
//
// The written files are committed; a test fails when they differ from what this program writes,
// so after changing a level plan, run it and commit the files.

#include "levels.h"

#include "Core/Assets/assets.h"
#include "Core/engine_globals.h"
#include "Core/engine_main.h"
#include "Platform/SDL/sdl_platformAPI.h"

#include <stdio.h>
#include <stdlib.h>

// The builder's stores: a level of tens of entities needs a few MiB at most.
constexpr msi BUILDER_STORE_SIZE = 64 << 20;

static ve::MemoryStore createBuilderStore() {
    buffer block = {BUILDER_STORE_SIZE, (u8*)calloc(1, BUILDER_STORE_SIZE)};
    return ve::createHeapStore(block);
}

int main() {
    ve::PlatformAPI platform = {};
    ve::initPlatformAPI(&platform);
    ve::platform = &platform;
    ve::MemoryStore tmp = createBuilderStore();
    ve::MemoryStore permanent = createBuilderStore();
    ve::tmpStore = &tmp;
    ve::permanentStore = &permanent;

    // The levels are checked against the packs that the game will load with them.
    ve::AssetRegister assets = {};
    ve::createAssetRegister(&assets, ve::MAX_MESHES, ve::MAX_TEXTURES, ve::MAX_MATERIALS);
    ve::loadAllPakFiles(&assets);

    for (u32 number = 1; number <= levels::LEVEL_COUNT; number++) {
        const levels::LevelPlan* plan = levels::levelPlan(number);
        if (!levels::writeLevel(plan, &assets)) {
            fprintf(stderr, "levelbuild: %s was not written\n", plan->name);
            return 1;
        }
        printf("levelbuild: wrote assets/%s.vsf\n", plan->name);
    }
    return 0;
}
