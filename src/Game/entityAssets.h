#pragma once
// The assets each entity type draws, named once. A type's functions look its assets up by these
// names, and the level check (tools/levelbuild) makes sure the packs hold every one, so a renamed
// asset is caught before a level is played.

#include "Meta/introspectionDef.h"

namespace game {

// The emission of whatever is not powered, and the dark face of quads seen only by their emission
// or their own texture (the barrier, HUD and floating-text glyphs).
constexpr const c8* BLACK_TEXTURE = "black_img";
// The glyph atlas of the HUD, which the floating text borrows.
constexpr const c8* FONT_TEXTURE = "font_img";

constexpr u32 MAX_ENTITY_TEXTURES = 3;

// One type's assets: its mesh and material (null for types that draw quads only) and every
// texture it may draw with, in the order the type's comments give.
struct EntityAssetNames {
    ve::MetaType type;
    const c8* mesh;
    const c8* material;
    const c8* textures[MAX_ENTITY_TEXTURES];
};

// texture, emission
constexpr EntityAssetNames LIGHT_ASSETS = {
    ve::MetaType::game_LightEntity, "light_mesh", "light_mat", {"light_img", "light_emission_img"}};
constexpr EntityAssetNames CUBE_ASSETS = {
    ve::MetaType::game_CubeEntity, "cube_mesh", "cube_mat", {"cube_img", "cube_emission_img"}};
constexpr EntityAssetNames BUTTON_ASSETS = {
    ve::MetaType::game_ButtonEntity, "button_mesh", "button_mat", {"button_img", "button_emission_img"}};
constexpr EntityAssetNames WALL_ASSETS = {
    ve::MetaType::game_WallEntity, nullptr, nullptr, {"ground_img", "ground_emission_img"}};
// texture and emission while powered, emission while not
constexpr EntityAssetNames PRESSURE_PLATE_ASSETS = {
    ve::MetaType::game_PressurePlateEntity, "pressure_plate_mesh", "pressure_plate_mat", {"gold_img", BLACK_TEXTURE}};
// texture, emission while powered, emission while not
constexpr EntityAssetNames ELEVATOR_ASSETS = {
    ve::MetaType::game_ElevatorEntity, "elevator_mesh", "elevator_mat",
    {"elevator_img", "elevator_emission_img", BLACK_TEXTURE}};
constexpr EntityAssetNames CABLE_ASSETS = {
    ve::MetaType::game_CableEntity, nullptr, nullptr, {"cable_img", "cable_emission_img", BLACK_TEXTURE}};
// texture, emission
constexpr EntityAssetNames BARRIER_ASSETS = {
    ve::MetaType::game_BarrierEntity, nullptr, nullptr, {BLACK_TEXTURE, "energywall_img"}};
// the AND icon, the NOT icon (each its own glow while powered), the emission while not
constexpr EntityAssetNames LOGIC_GATE_ASSETS = {
    ve::MetaType::game_LogicGateEntity, nullptr, nullptr, {"and_img", "not_img", BLACK_TEXTURE}};
// glyphs, their (unread) emission, the plate behind a line of text
constexpr EntityAssetNames HUD_ASSETS = {
    ve::MetaType::game_HUDEntity, nullptr, nullptr, {FONT_TEXTURE, BLACK_TEXTURE, "hud_backing_img"}};
constexpr EntityAssetNames FLOATING_TEXT_ASSETS = {
    ve::MetaType::game_FloatingTextEntity, nullptr, nullptr, {FONT_TEXTURE, BLACK_TEXTURE}};

// Every type that draws, for the level check.
constexpr EntityAssetNames ENTITY_ASSETS[] = {
    LIGHT_ASSETS,          CUBE_ASSETS,  BUTTON_ASSETS,  WALL_ASSETS,       PRESSURE_PLATE_ASSETS, ELEVATOR_ASSETS,
    CABLE_ASSETS,          BARRIER_ASSETS, LOGIC_GATE_ASSETS, HUD_ASSETS, FLOATING_TEXT_ASSETS};

} // namespace game
