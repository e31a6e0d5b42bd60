#include "levels.h"

#include "levelCheck.h"

#include "Core/Scene/scene.h"
#include "Core/engine_globals.h"
#include "Util/serialization.h"
#include "Util/string.h"

namespace levels {

const LevelPlan* levelPlan(u32 number) {
    static const LevelPlan* const plans[LEVEL_COUNT] = {&level1, &level2, &level3, &level4, &level5, &level6};
    return number >= 1 && number <= LEVEL_COUNT ? plans[number - 1] : nullptr;
}

namespace {

const Panel shortcutPanels[] = {floorSlab(-3, -3, 3, 3)};
const Piece shortcutPieces[] = {
    player({{0, 0, 0}}, {{0, 1.5f, -1.5f}}, 0),
    hud(),
    button("Button", {{2, 0, 0}}, STARTS_ON),
    cable("Button Cable", "Button", {{2, 0, -1}}),
    elevator("Elevator", {{0, 0, -1.5f}}, Facing::South, "Button Cable"),
    hint("Hint", {{1.0f, 2.4f, -1.0f}}, Facing::North, "E: on to the next level", 2.0f),
};

b8 keepsTheRules(ve::Scene* scene, ve::AssetRegister* assets) {
    LevelProblems problems = {};
    checkLevel(scene, assets, &problems);
    if (problems.count) printLevelProblems((const c8*)scene->name.data, &problems);
    return problems.count == 0;
}
} // namespace

b8 writeLevel(const LevelPlan* plan, ve::AssetRegister* assets) {
    ve::Scene scene = ve::createScene(ve::wrapASCIIZ(plan->name), LEVEL_HEAP_SIZE, ve::permanentStore);
    b8 written = buildLevel(&scene, plan) && keepsTheRules(&scene, assets) && ve::saveScene(&scene);
    ve::freeScene(&scene);
    return written;
}

b8 writeShortcutScene(const c8* name, ve::AssetRegister* assets) {
    LevelPlan plan = {name, shortcutPanels, sizeof(shortcutPanels) / sizeof(shortcutPanels[0]), shortcutPieces,
                      sizeof(shortcutPieces) / sizeof(shortcutPieces[0])};
    return writeLevel(&plan, assets);
}

} // namespace levels
