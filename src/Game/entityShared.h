#pragma once
// What several entity types share: finding another entity through a reference, finding an asset
// by its literal name, drawing at a live body's pose, the outline that marks objects outside the
// time rewind, and the player's line of sight.
//
// Nothing here is cached between calls: references and asset names are resolved anew on every
// use, so an entity that was renamed, destroyed or never loaded simply counts as absent.

#include "Core/Scene/sceneDef.h"
#include "Core/Assets/assetDef.h"
#include "Meta/introspectionDef.h"
#include "Game/CableEntity.h"
#include "Game/entityAssets.h"
#include "Game/PlayerEntity.h"

namespace game {

// =============================================================================================
// Entity references
// =============================================================================================

// The data of the current scene's entity that `ref` names, when that entity's type row has the
// data struct `type` (`ve::MetaType::game_CubeEntity` and so on); null when no entity has the id
// or when it is of another type. The type is checked before the caller casts, so a reference to a
// smaller record is never read as a larger one.
void* getEntityData(ve::EntityRef ref, ve::MetaType type);
// The same for the first entity of the current scene named `name` ("Player", "Walls").
void* getNamedEntityData(const c8* name, ve::MetaType type);
// `ref` as a player: the record or null.
PlayerEntity* getPlayer(ve::EntityRef ref);
// `ref` as a cable: the record or null.
CableEntity* getCable(ve::EntityRef ref);

// =============================================================================================
// Named assets
// =============================================================================================

// The loaded asset whose id is the hash of `name`, or null. A missing one (an incomplete pack) is
// reported on the console once per name, "Missing asset: <name>", and the caller skips its draw.
ve::Mesh* findMesh(const c8* name);
ve::Texture* findTexture(const c8* name);
ve::BasicMat* findBasicMat(const c8* name);

// The four assets of a lit mesh, by name.
struct MeshAssetNames {
    const c8* mesh;
    const c8* texture;
    const c8* material;
    const c8* emission;
};

// A lit mesh type's mesh, first texture and material with `emission`.
MeshAssetNames meshAssets(const EntityAssetNames& names, const c8* emission);

// =============================================================================================
// Drawing
// =============================================================================================

// A live body's pose: the transform the physics library holds now, not the stored options.
struct BodyPose {
    ve::v3 position;
    ve::mat3 rotation;
};
BodyPose getLivePose(u32 body);

// Where and how large a mesh or a quad is drawn.
struct DrawPlacement {
    ve::v3 position;
    ve::mat3 rotation;
    ve::v3 scale;
};

// The unit quad over a box collider's face: at the collider's transform under `parent` (the
// body's pose, or the identity for colliders kept in world space), scaled to the box's full size
// (colliders list half extents; the unit quad spans -0.5 to 0.5).
DrawPlacement colliderQuadPlacement(ve::mat4 parent, const ve::Primitive& collider);

// The scale of a mesh or quad drawn at its modelled size.
constexpr ve::v3 SCALE_NONE = {1.0f, 1.0f, 1.0f};

// The texture repeat of most draws: the texture once over the mesh or quad.
constexpr ve::v2 UV_SCALE_ONCE = {1.0f, 1.0f};
constexpr ve::v2 UV_OFFSET_NONE = {0.0f, 0.0f};

// One mesh onto the frame's `meshes` with the named assets. False, and nothing pushed, when one of
// the four assets is missing (the renderer would read through a null pointer).
b8 drawNamedMesh(DrawPlacement placement, MeshAssetNames names, ve::v2 uvScale, ve::v2 uvOffset,
                 ve::v4 outline);
// The texture and emission texture of opaque quads, looked up by name once for all the quads of
// one entity's draw (a wall or a cable draws one per collider).
struct QuadTextures {
    ve::Texture* texture;
    ve::Texture* emission;
};
// Both named textures into `found`; false when either is missing (each missing one reported).
b8 findQuadTextures(const c8* texture, const c8* emission, QuadTextures* found);
// One opaque quad onto the frame's `quads` with textures already found.
void drawQuad(DrawPlacement placement, QuadTextures textures, ve::v2 uvScale, ve::v2 uvOffset, ve::v4 outline);
// One opaque quad onto the frame's `quads` with the named texture and emission texture. False, and
// nothing pushed, when either is missing.
b8 drawNamedQuad(DrawPlacement placement, const c8* texture, const c8* emission, ve::v2 uvScale,
                 ve::v2 uvOffset, ve::v4 outline);

// How every point light of the game fades (the OpenGL back end stores it and ignores it).
constexpr ve::v3 POINT_LIGHT_ATTENUATION = {1.0f, 0.4f, 0.1f};

// =============================================================================================
// The time-rewind outline
// =============================================================================================

// Teal, and the shell width that marks an object whose state the rewind does not restore.
constexpr ve::v3 REWIND_OUTLINE_COLOR = {0.1f, 0.3f, 0.3f};
constexpr f32 REWIND_OUTLINE_WIDTH = 0.05f;
// The outline of types that never show one.
constexpr ve::v4 NO_OUTLINE = {0.0f, 0.0f, 0.0f, 0.0f};

// The teal outline with width 0.05 when `outsideRewind`, else with width 0 (drawn without one).
ve::v4 rewindOutline(b8 outsideRewind);

// =============================================================================================
// Line of sight
// =============================================================================================

// Whether `body` is the first body that the player's line of sight (from its camera position
// along its camera direction) meets within `reach` units. The player's own body and bodies that
// collide with nothing do not block it; a body without boxes is never looked at.
b8 isPlayerLookingAt(const PlayerEntity* player, u32 body, f32 reach);

// =============================================================================================
// Power
// =============================================================================================

// The `powered` flag of the signal source that `ref` names: a button, a pressure plate or a logic
// gate, the three records that keep it right after their body options. Null when `ref` names no
// entity of those types (an entity of any other type has no such flag to bind to).
b8* getPowerFlag(ve::EntityRef ref);
// Whether a bound flag is set. A flag that was never bound (null) reads as unpowered, and any
// non-zero byte as powered.
b8 isPowered(const b8* flag);

} // namespace game
