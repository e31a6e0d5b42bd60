#include "levelCheck.h"

#include "Core/Assets/assets.h"
#include "Core/Scene/scene.h"
#include "Core/engine_globals.h"
#include "Game/BarrierEntity.h"
#include "Game/ButtonEntity.h"
#include "Game/CableEntity.h"
#include "Game/CubeEntity.h"
#include "Game/ElevatorEntity.h"
#include "Game/FloatingTextEntity.h"
#include "Game/HUDEntity.h"
#include "Game/LogicGateEntity.h"
#include "Game/PlayerEntity.h"
#include "Game/PressurePlateEntity.h"
#include "Game/WallEntity.h"
#include "Game/entityAssets.h"
#include "Game/time.h"
#include "Meta/entity_type_list.h"
#include "Math/utilMath.h"
#include "Util/string.h"

#include <math.h>
#include <stdarg.h>
#include <stdio.h>

#include <vector>

namespace levels {

namespace {

// How far a stored rotation may be from orthonormal (rounding of the stored floats).
constexpr f32 ROTATION_TOLERANCE = 1e-5f;
// How far across the floor a cable's strip may end from its `connectTo`: the game's own strip of
// whole segments reaches 0.2 past a target on its grid.
constexpr f32 CABLE_END_TOLERANCE = 0.25f;

using ve::MetaType;

// =============================================================================================
// Reporting
// =============================================================================================

struct Check {
    ve::Scene* scene;
    LevelProblems* problems;
};

__attribute__((format(printf, 2, 3))) void problem(Check* check, const c8* format, ...) {
    LevelProblems* problems = check->problems;
    if (problems->count < MAX_LEVEL_PROBLEMS) {
        va_list args;
        va_start(args, format);
        vsnprintf(problems->lines[problems->count], LEVEL_PROBLEM_LENGTH, format, args);
        va_end(args);
    }
    problems->count++;
}

MetaType typeOf(ve::Entity* entity) { return entity->type->metaData->type; }

// The entity's name as a C string for messages (names are short; longer ones are cut).
struct NameText {
    c8 text[64];
};
NameText nameOf(ve::Entity* entity) {
    NameText name = {};
    ve::copyStringToASCIIZ(entity->name, name.text, sizeof(name.text));
    return name;
}

// =============================================================================================
// References
// =============================================================================================

// Who may stand behind a reference field.
enum RefTarget : u32 {
    TARGET_PLAYER = 1 << 0,
    TARGET_CUBE = 1 << 1,
    TARGET_CABLE = 1 << 2,
    TARGET_HUD = 1 << 3,
    // A cable's source: anything that keeps `powered` right after its body options.
    TARGET_SOURCE = 1 << 4,
};

u32 targetBits(MetaType type) {
    switch (type) {
    case MetaType::game_PlayerEntity: return TARGET_PLAYER;
    case MetaType::game_CubeEntity: return TARGET_CUBE;
    case MetaType::game_CableEntity: return TARGET_CABLE;
    case MetaType::game_HUDEntity: return TARGET_HUD;
    case MetaType::game_ButtonEntity:
    case MetaType::game_PressurePlateEntity:
    case MetaType::game_LogicGateEntity: return TARGET_SOURCE;
    default: return 0;
    }
}

b8 isEmpty(ve::EntityRef ref) { return ref.id.lo == 0 && ref.id.hi == 0; }

void expectRef(Check* check, ve::Entity* owner, const c8* field, ve::EntityRef ref, u32 targets, b8 required) {
    if (isEmpty(ref)) {
        if (required) problem(check, "%s: %s is not set", nameOf(owner).text, field);
        return;
    }
    ve::Entity* target = ref.getEntity(check->scene);
    if (!target) {
        problem(check, "%s: %s names no entity", nameOf(owner).text, field);
    } else if (!(targetBits(typeOf(target)) & targets)) {
        problem(check, "%s: %s names %s, an entity of the wrong type", nameOf(owner).text, field, nameOf(target).text);
    }
}

void checkReferences(Check* check, ve::Entity* entity) {
    void* data = entity->entityData.data;
    switch (typeOf(entity)) {
    case MetaType::game_CubeEntity:
        expectRef(check, entity, "player", ((game::CubeEntity*)data)->player, TARGET_PLAYER, true);
        return;
    case MetaType::game_ButtonEntity:
        expectRef(check, entity, "player", ((game::ButtonEntity*)data)->player, TARGET_PLAYER, true);
        return;
    case MetaType::game_PressurePlateEntity: {
        auto* plate = (game::PressurePlateEntity*)data;
        expectRef(check, entity, "player", plate->player, TARGET_PLAYER, false);
        ve::EntityRef cubes[] = {plate->cube1, plate->cube2, plate->cube3, plate->cube4};
        for (ve::EntityRef cube : cubes) expectRef(check, entity, "cube", cube, TARGET_CUBE, false);
        if (isEmpty(plate->player) && isEmpty(plate->cube1)) problem(check, "%s: nothing can press it", nameOf(entity).text);
        return;
    }
    case MetaType::game_CableEntity:
        expectRef(check, entity, "button", ((game::CableEntity*)data)->button, TARGET_SOURCE, true);
        return;
    case MetaType::game_LogicGateEntity: {
        auto* gate = (game::LogicGateEntity*)data;
        expectRef(check, entity, "cable1", gate->cable1, TARGET_CABLE, true);
        expectRef(check, entity, "cable2", gate->cable2, TARGET_CABLE, gate->type != game::LogicGateType::NOT);
        return;
    }
    case MetaType::game_BarrierEntity:
        expectRef(check, entity, "cableEntity", ((game::BarrierEntity*)data)->cableEntity, TARGET_CABLE, true);
        return;
    case MetaType::game_ElevatorEntity: {
        auto* elevator = (game::ElevatorEntity*)data;
        expectRef(check, entity, "cableEntity", elevator->cableEntity, TARGET_CABLE, true);
        expectRef(check, entity, "playerEntity", elevator->playerEntity, TARGET_PLAYER, true);
        return;
    }
    case MetaType::game_FloatingTextEntity:
        expectRef(check, entity, "hudEntity", ((game::FloatingTextEntity*)data)->hudEntity, TARGET_HUD, true);
        return;
    default: return;
    }
}

// =============================================================================================
// Bodies
// =============================================================================================

b8 hasBody(MetaType type) {
    return type != MetaType::game_ParticleEmitter && type != MetaType::game_HUDEntity &&
           type != MetaType::game_FloatingTextEntity;
}

// Unit columns, at right angles, turning the right way (determinant +1, not a mirror).
b8 isOrthonormal(ve::v3 x, ve::v3 y, ve::v3 z) {
    f32 deviations[] = {ve::lensq(x) - 1, ve::lensq(y) - 1, ve::lensq(z) - 1, ve::inner(x, y), ve::inner(y, z),
                        ve::inner(z, x), ve::inner(ve::cross(x, y), z) - 1};
    for (f32 deviation : deviations) {
        if (fabsf(deviation) > ROTATION_TOLERANCE) return false;
    }
    return true;
}

u32 typeBitCount(ve::phFlags flags) { return (u32)flags.eStatic + (u32)flags.eDynamic + (u32)flags.eKinematic; }

f32 smallestExtent(const ve::Primitive& collider) {
    ve::mat4 t = collider.localTransform;
    f32 extents[] = {collider.cuboid.width * ve::len(t.col1.xyz), collider.cuboid.height * ve::len(t.col2.xyz),
                     collider.cuboid.depth * ve::len(t.col3.xyz)};
    f32 smallest = extents[0];
    for (f32 extent : extents) smallest = extent < smallest ? extent : smallest;
    return smallest;
}

void checkBody(Check* check, ve::Entity* entity) {
    ve::BodyOpts* opts = (ve::BodyOpts*)entity->entityData.data;
    NameText name = nameOf(entity);
    if (typeBitCount(opts->flags) != 1) problem(check, "%s: body flags hold %u body-type bits", name.text, typeBitCount(opts->flags));
    if (!isOrthonormal(opts->rotation.col1, opts->rotation.col2, opts->rotation.col3)) {
        problem(check, "%s: rotation is not orthonormal", name.text);
    }
    if (opts->colliderCount && !opts->colliders) problem(check, "%s: colliders are missing", name.text);
    if (!opts->colliders) return;
    for (u32 i = 0; i < opts->colliderCount; i++) {
        ve::mat4 t = opts->colliders[i].localTransform;
        if (!isOrthonormal(t.col1.xyz, t.col2.xyz, t.col3.xyz)) problem(check, "%s: collider %u is not orthonormal", name.text, i);
        if (typeOf(entity) == MetaType::game_WallEntity && smallestExtent(opts->colliders[i]) < MIN_WALL_THICKNESS) {
            problem(check, "%s: box %u is thinner than %.2f", name.text, i, MIN_WALL_THICKNESS);
        }
    }
    if (typeOf(entity) == MetaType::game_WallEntity && opts->colliderCount > game::WALL_MAX_DRAWN_COLLIDERS) {
        problem(check, "%s: %u boxes, more than %u", name.text, opts->colliderCount, game::WALL_MAX_DRAWN_COLLIDERS);
    }
    if (typeOf(entity) == MetaType::game_BarrierEntity && opts->colliderCount > game::BARRIER_MAX_BOXES) {
        problem(check, "%s: %u boxes, more than %u", name.text, opts->colliderCount, game::BARRIER_MAX_BOXES);
    }
}

// The strip that the game draws: the stored segments, or those it lays itself when there are none.
void checkCableStrip(Check* check, ve::Entity* entity) {
    auto* cable = (game::CableEntity*)entity->entityData.data;
    ve::Entity* sourceEntity = cable->button.getEntity(check->scene);
    if (!sourceEntity || !(targetBits(typeOf(sourceEntity)) & TARGET_SOURCE)) return; // reported as a reference
    ve::v3 source = ((ve::BodyOpts*)sourceEntity->entityData.data)->position;
    std::vector<ve::Primitive> generated;
    const ve::Primitive* segments = cable->bodyOpts.colliders;
    u32 count = cable->bodyOpts.colliderCount;
    if (count == 0 || !segments) {
        generated.resize(game::cableSegmentRoom(cable->connectTo - source));
        count = game::layGeneratedSegments(source, cable->connectTo, generated.data(), (u32)generated.size());
        segments = generated.data();
    }
    ve::v3 end = game::cableStripEnd(segments, count, source);
    f32 miss = ve::len(ve::v3{{end.x - cable->connectTo.x, 0.0f, end.z - cable->connectTo.z}});
    if (miss > CABLE_END_TOLERANCE) {
        problem(check, "%s: the strip ends %.2f units from its connectTo", nameOf(entity).text, miss);
    }
}

void checkHint(Check* check, ve::Entity* entity) {
    string text = ((game::FloatingTextEntity*)entity->entityData.data)->text;
    if (!text.length) problem(check, "%s: the text is empty", nameOf(entity).text);
    for (msi i = 0; i < text.length; i++) {
        if (text.data[i] >= game::GLYPH_TABLE_SIZE) {
            problem(check, "%s: byte %u has no glyph", nameOf(entity).text, (u32)i);
            return;
        }
    }
}

// =============================================================================================
// Assets
// =============================================================================================

void expectAsset(Check* check, const c8* kind, const c8* name, b8 found) {
    if (!found) problem(check, "the %s \"%s\" is not in the asset packs", kind, name);
}

void checkAssets(Check* check, ve::AssetRegister* assets, MetaType type) {
    for (const game::EntityAssetNames& entry : game::ENTITY_ASSETS) {
        if (entry.type != type) continue;
        if (entry.mesh) expectAsset(check, "mesh", entry.mesh, ve::getMesh(assets, ve::hashASCIIZ(entry.mesh)) != nullptr);
        if (entry.material) {
            expectAsset(check, "material", entry.material, ve::getBasicMat(assets, ve::hashASCIIZ(entry.material)) != nullptr);
        }
        for (const c8* texture : entry.textures) {
            if (texture) expectAsset(check, "texture", texture, ve::getTexture(assets, ve::hashASCIIZ(texture)) != nullptr);
        }
    }
}

// =============================================================================================
// Counts
// =============================================================================================

struct Tally {
    u32 ofType[ve::entityTypeCount];
    u32 timedBodies;
    u32 timedSwitches;
};

u32 typeRow(ve::Entity* entity) { return (u32)(entity->type - ve::entityTypes); }

void count(Tally* tally, ve::Entity* entity) {
    tally->ofType[typeRow(entity)]++;
    void* data = entity->entityData.data;
    switch (typeOf(entity)) {
    case MetaType::game_PlayerEntity: tally->timedBodies += ((game::PlayerEntity*)data)->timeDependent ? 1 : 0; return;
    case MetaType::game_CubeEntity: tally->timedBodies += ((game::CubeEntity*)data)->timeDependent ? 1 : 0; return;
    case MetaType::game_ButtonEntity: tally->timedSwitches += ((game::ButtonEntity*)data)->timeDependent ? 1 : 0; return;
    case MetaType::game_PressurePlateEntity:
        tally->timedSwitches += ((game::PressurePlateEntity*)data)->timeDependent ? 1 : 0;
        return;
    default: return;
    }
}

u32 countOf(const Tally* tally, MetaType type) { return tally->ofType[ve::findEntityType(type) - ve::entityTypes]; }

void checkTally(Check* check, const Tally* tally) {
    u32 lights = countOf(tally, MetaType::game_PlayerEntity) + countOf(tally, MetaType::game_LightEntity) +
                 countOf(tally, MetaType::game_ElevatorEntity);
    if (lights > MAX_POINT_LIGHTS) problem(check, "%u point lights, more than %u", lights, MAX_POINT_LIGHTS);
    if (tally->timedBodies > ve::TIMED_BODY_SLOTS) {
        problem(check, "%u time-dependent bodies, more than %u", tally->timedBodies, ve::TIMED_BODY_SLOTS);
    }
    if (tally->timedSwitches > ve::TIME_BOOL_LIMIT) {
        problem(check, "%u time-dependent buttons and plates, more than %u", tally->timedSwitches, ve::TIME_BOOL_LIMIT);
    }
    if (countOf(tally, MetaType::game_FloatingTextEntity) == 0) problem(check, "no hint says what to do");
    const MetaType single[] = {MetaType::game_PlayerEntity, MetaType::game_HUDEntity, MetaType::game_ElevatorEntity};
    for (MetaType type : single) {
        u32 n = countOf(tally, type);
        string typeName = ve::findEntityType(type)->metaData->name;
        if (n != 1) problem(check, "%u entities of type %.*s, not one", n, (int)typeName.length, (c8*)typeName.data);
    }
}

void expectNamed(Check* check, const c8* name, MetaType type) {
    ve::Entity* entity = ve::getEntity(check->scene, ve::hashASCIIZ(name));
    if (!entity || typeOf(entity) != type) problem(check, "no entity \"%s\" of the right type", name);
}

void checkUniqueNames(Check* check) {
    ve::DynArray* entities = &check->scene->entities;
    for (msi i = 0; i < entities->length; i++) {
        ve::Entity* entity = (ve::Entity*)(*entities)[i];
        if (ve::getEntity(check->scene, entity->id) != entity) problem(check, "%s: the name is not unique", nameOf(entity).text);
    }
}

} // namespace

void checkLevel(ve::Scene* scene, ve::AssetRegister* assets, LevelProblems* problems) {
    Check check = {scene, problems};
    Tally tally = {};
    b8 typeSeen[ve::entityTypeCount] = {};
    for (msi i = 0; i < scene->entities.length; i++) {
        ve::Entity* entity = (ve::Entity*)scene->entities[i];
        count(&tally, entity);
        checkReferences(&check, entity);
        if (hasBody(typeOf(entity))) checkBody(&check, entity);
        if (typeOf(entity) == MetaType::game_FloatingTextEntity) checkHint(&check, entity);
        if (typeOf(entity) == MetaType::game_CableEntity) checkCableStrip(&check, entity);
        if (!typeSeen[typeRow(entity)]) checkAssets(&check, assets, typeOf(entity));
        typeSeen[typeRow(entity)] = true;
    }
    checkTally(&check, &tally);
    checkUniqueNames(&check);
    expectNamed(&check, "Player", MetaType::game_PlayerEntity);
    expectNamed(&check, "Walls", MetaType::game_WallEntity);
}

void printLevelProblems(const c8* levelName, const LevelProblems* problems) {
    c8 heading[LEVEL_PROBLEM_LENGTH];
    snprintf(heading, sizeof(heading), "%s breaks %u rules of the levels:", levelName, problems->count);
    ve::platform->print(ve::wrapASCIIZ(heading));
    u32 kept = problems->count < MAX_LEVEL_PROBLEMS ? problems->count : MAX_LEVEL_PROBLEMS;
    for (u32 i = 0; i < kept; i++) ve::platform->print(ve::wrapASCIIZ(problems->lines[i]));
}

} // namespace levels
