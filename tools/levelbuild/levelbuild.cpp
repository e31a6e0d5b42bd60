// levelbuild: builds the game's six levels and writes them as "assets/Level 1.vsf" to
// "assets/Level 6.vsf", through the engine's own scene operations and scene writer.
//
//   levelbuild                  (run from the repository root)
//   levelbuild --shortcuts N    (run where the screenshot script wants them)
//
// The level files are committed; a test fails when they differ from what this program writes, so
// after changing a level plan, run it and commit the files. With --shortcuts N it writes instead
// the stand-in scenes "Level 1" to "Level N-1", each an elevator ready to take the player on, to
// reach level N from the start (see levelshots.sh).

#include "levels.h"

#include "Core/Assets/assets.h"
#include "Core/engine_globals.h"
#include "Core/engine_main.h"
#include "Platform/SDL/sdl_platformAPI.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// The builder's stores: a level of tens of entities needs a few MiB at most.
constexpr msi BUILDER_STORE_SIZE = 64 << 20;

static ve::MemoryStore createBuilderStore() {
    buffer block = {BUILDER_STORE_SIZE, (u8*)calloc(1, BUILDER_STORE_SIZE)};
    return ve::createHeapStore(block);
}

static int writeLevels(ve::AssetRegister* assets) {
    for (u32 number = 1; number <= levels::LEVEL_COUNT; number++) {
        const levels::LevelPlan* plan = levels::levelPlan(number);
        if (!levels::writeLevel(plan, assets)) {
            fprintf(stderr, "levelbuild: %s was not written\n", plan->name);
            return 1;
        }
        printf("levelbuild: wrote assets/%s.vsf\n", plan->name);
    }
    return 0;
}

static int writeShortcuts(u32 target, ve::AssetRegister* assets) {
    for (u32 number = 1; number < target && number < levels::LEVEL_COUNT; number++) {
        c8 name[16];
        snprintf(name, sizeof(name), "Level %u", number);
        if (!levels::writeShortcutScene(name, assets)) return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    b8 shortcuts = argc == 3 && strcmp(argv[1], "--shortcuts") == 0;
    if (argc != 1 && !shortcuts) {
        fprintf(stderr, "usage: levelbuild [--shortcuts <level number>]\n");
        return 2;
    }
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
    ve::loadAllPakFiles(&assets, 0);
    return shortcuts ? writeShortcuts((u32)atoi(argv[2]), &assets) : writeLevels(&assets);
}
