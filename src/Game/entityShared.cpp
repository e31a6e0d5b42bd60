#include "Game/entityShared.h"

#include "Core/engine_globals.h"
#include "Core/Assets/assets.h"
#include "Core/Scene/scene.h"
#include "Game/ButtonEntity.h"
#include "Game/LogicGateEntity.h"
#include "Game/PressurePlateEntity.h"
#include "Meta/entity_type_list.h"
#include "Physics/physics.h"
#include "Renderer/renderer.h"
#include "Util/string.h"

namespace game {

namespace shared {

// An entity whose type row has the data struct `type`; null for null or another type. Rows that
// carry no introspection record (none in the shipped table) match no type.
void* dataOfType(ve::Entity* entity, ve::MetaType type) {
    if (!entity || !entity->type || !entity->type->metaData) return 0;
    if (entity->type->metaData->type != type) return 0;
    return entity->entityData.data;
}

// Names of missing assets already reported, by hash. The game names about thirty assets, so the
// table never fills in play; once full, further missing names are skipped without a report
// rather than reported every frame.
constexpr u32 MAX_REPORTED_MISSING_ASSETS = 64;
ve::Hash reportedMissingAssets[MAX_REPORTED_MISSING_ASSETS];
u32 reportedMissingAssetCount;

// Longest line of a missing-asset report; longer names are cut.
constexpr msi MISSING_ASSET_LINE_LENGTH = 160;

b8 wasReported(ve::Hash id) {
    for (u32 i = 0; i < reportedMissingAssetCount; i++)
        if (reportedMissingAssets[i] == id) return true;
    return false;
}

void reportMissingAsset(const c8* name, ve::Hash id) {
    if (wasReported(id) || reportedMissingAssetCount == MAX_REPORTED_MISSING_ASSETS) return;
    reportedMissingAssets[reportedMissingAssetCount++] = id;
    c8 line[MISSING_ASSET_LINE_LENGTH];
    string text = ve::concatString(ve::wrapASCIIZ("Missing asset: "), ve::wrapASCIIZ(name),
                                   buffer{sizeof(line), (u8*)line});
    ve::platform->print(text);
}

// `asset` unchanged, after reporting its name when it is null.
template <typename Asset> Asset* reportedIfMissing(Asset* asset, const c8* name, ve::Hash id) {
    if (!asset) reportMissingAsset(name, id);
    return asset;
}

} // namespace shared

// =============================================================================================
// Entity references
// =============================================================================================

void* getEntityData(ve::EntityRef ref, ve::MetaType type) { return shared::dataOfType(ref.getEntity(), type); }

void* getNamedEntityData(const c8* name, ve::MetaType type) {
    ve::EntityRef ref = {ve::hashASCIIZ(name)};
    return getEntityData(ref, type);
}

PlayerEntity* getPlayer(ve::EntityRef ref) {
    return (PlayerEntity*)getEntityData(ref, ve::MetaType::game_PlayerEntity);
}

CableEntity* getCable(ve::EntityRef ref) { return (CableEntity*)getEntityData(ref, ve::MetaType::game_CableEntity); }

// =============================================================================================
// Named assets
// =============================================================================================

ve::Mesh* findMesh(const c8* name) {
    ve::Hash id = ve::hashASCIIZ(name);
    return shared::reportedIfMissing(ve::getMesh(ve::assets, id), name, id);
}

ve::Texture* findTexture(const c8* name) {
    ve::Hash id = ve::hashASCIIZ(name);
    return shared::reportedIfMissing(ve::getTexture(ve::assets, id), name, id);
}

ve::BasicMat* findBasicMat(const c8* name) {
    ve::Hash id = ve::hashASCIIZ(name);
    return shared::reportedIfMissing(ve::getBasicMat(ve::assets, id), name, id);
}

// =============================================================================================
// Drawing
// =============================================================================================

BodyPose getLivePose(u32 body) {
    ve::BodyOptsAccess access;
    ve::getBodyStruct(body, &access);
    return {*access.position, *access.rotation};
}

b8 drawNamedMesh(DrawPlacement placement, MeshAssetNames names, ve::v2 uvScale, ve::v2 uvOffset,
                 ve::v4 outline) {
    // Every name is looked up, so that each missing one is reported, before the draw is skipped.
    ve::Mesh* mesh = findMesh(names.mesh);
    ve::Texture* texture = findTexture(names.texture);
    ve::BasicMat* material = findBasicMat(names.material);
    ve::Texture* emission = findTexture(names.emission);
    if (!mesh || !texture || !material || !emission) return false;
    ve::renderer->frame.mesh(placement.position, placement.rotation, placement.scale, mesh, texture, material,
                             emission, uvScale, uvOffset, outline);
    return true;
}

MeshAssetNames meshAssets(const EntityAssetNames& names, const c8* emission) {
    return {names.mesh, names.textures[0], names.material, emission};
}

DrawPlacement colliderQuadPlacement(ve::mat4 parent, const ve::Primitive& collider) {
    ve::mat4 face = parent * collider.localTransform * ve::scaleMat(collider.cuboid.scale);
    return {ve::getTranslation(face), ve::toMat3(ve::getRotation(face)), 2.0f * ve::getScale(face)};
}

b8 findQuadTextures(const c8* textureName, const c8* emissionName, QuadTextures* found) {
    found->texture = findTexture(textureName);
    found->emission = findTexture(emissionName);
    return found->texture && found->emission;
}

void drawQuad(DrawPlacement placement, QuadTextures textures, ve::v2 uvScale, ve::v2 uvOffset, ve::v4 outline) {
    ve::renderer->frame.quad(placement.position, placement.rotation, placement.scale, textures.texture,
                             textures.emission, uvScale, uvOffset, outline);
}

b8 drawNamedQuad(DrawPlacement placement, const c8* textureName, const c8* emissionName, ve::v2 uvScale,
                 ve::v2 uvOffset, ve::v4 outline) {
    QuadTextures textures;
    if (!findQuadTextures(textureName, emissionName, &textures)) return false;
    drawQuad(placement, textures, uvScale, uvOffset, outline);
    return true;
}

// =============================================================================================
// The time-rewind outline and the line of sight
// =============================================================================================

ve::v4 rewindOutline(b8 outsideRewind) {
    f32 width = outsideRewind ? REWIND_OUTLINE_WIDTH : 0.0f;
    return {REWIND_OUTLINE_COLOR.x, REWIND_OUTLINE_COLOR.y, REWIND_OUTLINE_COLOR.z, width};
}

// One press acts on what the player sees: the body must be the first that the line of sight
// meets, so E at one thing never reaches another behind it (through a wall or the elevator).
b8 isPlayerLookingAt(const PlayerEntity* player, u32 body, f32 reach) {
    if (!player || body == ve::NO_BODY) return false;
    return ve::firstBodyOnRay(player->cam.pos, player->cam.dir, reach, player->bodyOpts.physicsBody, body) == body;
}

// =============================================================================================
// Power
// =============================================================================================

b8* getPowerFlag(ve::EntityRef ref) {
    ve::Entity* entity = ref.getEntity();
    if (void* button = shared::dataOfType(entity, ve::MetaType::game_ButtonEntity))
        return &((ButtonEntity*)button)->powered;
    if (void* plate = shared::dataOfType(entity, ve::MetaType::game_PressurePlateEntity))
        return &((PressurePlateEntity*)plate)->powered;
    if (void* gate = shared::dataOfType(entity, ve::MetaType::game_LogicGateEntity))
        return &((LogicGateEntity*)gate)->powered;
    return 0;
}

b8 isPowered(const b8* flag) { return flag && *flag != 0; }

} // namespace game
