#pragma once
// The records of the introspection table: what the engine knows about its own data types.
//
// The table itself is generated at build time from the declarations of the structs and enums it
// lists (tools/metagen), so it cannot drift from them; the program only reads it. The serializer
// writes and reads entity data through it, and the map editor draws one widget per member.

#include "Platform/machineDef.h"

namespace ve {

// Every introspected type, then the primitive types. The numbers are fixed: they are compared
// with the `type` of records and members, and the entity type table is searched by them. The
// name of an enumerator is the type's qualified name with "::" replaced by "_".
enum class MetaType : u32 {
    Unresolved = 0,
    ve_mat4,
    ve_mat3,
    ve_comp64,
    ve_comp128,
    ve_UUID4,
    ve_Hash,
    ve_plane,
    ve_AxisAngle,
    ve_v4,
    ve_v2,
    ve_v3,
    ve_mat2,
    ve_Table,
    ve_Table_TableEntry,
    ve_TableAccessor,
    ve_DynArray,
    ve_ChunkStore,
    ve_MemoryBlock,
    ve_detail_HeapFreeBlock,
    ve_detail_HeapAllocatedBlockHeader,
    ve_MemoryStore, // 21
    ve_Primitive_Type,
    ve_Cuboid,
    ve_Primitive,
    ve_BodyType,
    ve_phFlags,
    ve_BodyOpts,
    ve_BodyOptsAccess, // 28
    ve_EntityType,
    ve_Entity,
    ve_Scene,
    ve_EntityRef,
    ve_Camera,
    ve_QuadInstance,
    ve_MeshInstance,
    ve_PointLight,
    ve_ParticleSpawnerType,
    ve_ParticleSystem, // 38
    ve_EngineState,    // 39
    ve_AssetType,
    ve_AssetPackHeader,
    ve_AssetHeaderTableEntry,
    ve_MeshAssetHeader,
    ve_TextureAssetHeader,
    ve_BasicMatAssetHeader,
    ve_BasicMat,
    ve_Mesh,
    ve_Texture,
    ve_BasicMatRef,
    ve_MeshRef,
    ve_TextureRef,
    ve_AssetRegister,     // 52
    game_ParticleEmitter, // 53
    game_LightEntity,
    game_CubeEntity,
    game_HUDEntity,
    game_CableEntity,
    game_ButtonEntity,
    game_PlayerEntity,
    game_PressurePlateEntity,
    game_BarrierEntity,
    game_WallEntity,
    game_FloatingTextEntity, // 63
    ve_pastTimeStamp,        // 64
    ve_saveThis,             // 65
    game_ElevatorEntity,     // 66
    game_LogicGateType,      // 67
    game_LogicGateEntity,    // 68
    // Primitive types, 69 to 88. No field has the type fmax or one of the simd types.
    u8,
    u16,
    u32,
    u64,
    s8,
    s16,
    s32,
    s64,
    f32,
    f64,
    fmax,
    b8,
    c8,
    msi,
    simdf,
    simdd,
    simdi,
    buffer,
    string,
    Void,
};

enum class MetaDataType : u32 {
    Struct = 1, // also a union
    Enum = 2,
};

// One data member of a struct. Members of anonymous unions and structs stand in place as members
// of the enclosing type; fixed-size arrays are left out.
struct StructMemberMetaData {
    string name;
    // The member's type with its pointers removed: Unresolved for a type without a number, Void
    // for void.
    MetaType type;
    // "::" and the qualified name of that type ("::f32", "::ve::v3"); for a type without a number
    // the name as the declaration spells it ("::phScene").
    string typeName;
    msi offsetInStruct;
    // Pointer depth: 0 for a value, 1 for a pointer.
    msi numIndirections;
};

struct EnumMemberMetaData {
    string name;
    u64 value;
};

// The record of one type.
struct MetaData {
    // The qualified name with a leading "::" ("::ve::Scene", "::game::CubeEntity"); the table's
    // key is the lane hash of exactly these bytes.
    string name;
    MetaType type;
    MetaDataType dataType;
    msi sizeInBytes;
    msi memberCount;
    union Data {
        struct StructData {
            b8 isUnion;
            StructMemberMetaData* structMembers;
        } structData;
        struct EnumData {
            // The primitive type in which the enum's value is stored.
            MetaType enumValueType;
            EnumMemberMetaData* enumMembers;
        } enumData;
    } data;
};

} // namespace ve
