#pragma once
// Scene file fixtures written by hand from the file format, byte by byte, so that a writer and a
// reader that agree with each other but not with the format are caught. Ends are written as
// literal offsets worked out by hand; `Bytes::at` checks the arithmetic while a fixture is built.

#include "Core/Scene/scene.h"
#include "Meta/introspection.h"
#include "Util/serialization.h"
#include "Meta/entity_type_list.h"
#include "Util/string.h"

#include "../harness/memoryFiles.h"
#include "../harness/testStores.h"

#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

namespace fixtures {

struct Bytes {
    std::vector<u8> bytes;

    void raw(const void* data, size_t size) {
        const u8* from = (const u8*)data;
        bytes.insert(bytes.end(), from, from + size);
    }
    void byte(u8 value) { bytes.push_back(value); }
    void u32le(u32 value) {
        for (int i = 0; i < 4; i++) bytes.push_back((u8)(value >> (8 * i)));
    }
    void u64le(u64 value) {
        for (int i = 0; i < 8; i++) bytes.push_back((u8)(value >> (8 * i)));
    }
    void f32le(f32 value) {
        u32 bits;
        memcpy(&bits, &value, 4);
        u32le(bits);
    }
    void tag(const char* fourLetters) { raw(fourLetters, 4); }
    // u64 length, then the bytes (names, type names, strings).
    void text(const char* value) {
        u64le(strlen(value));
        raw(value, strlen(value));
    }
    // Checks that the hand-worked offset of the next byte is right.
    void at(size_t expected) { ASSERT_EQ(bytes.size(), expected) << "fixture arithmetic"; }
    void patchU64(size_t offset, u64 value) {
        for (int i = 0; i < 8; i++) bytes[offset + i] = (u8)(value >> (8 * i));
    }
    size_t size() const { return bytes.size(); }
};

inline void fileHeader(Bytes* b, u64 entityCount, u32 version = 0) {
    for (u8 magic : {0x56, 0x53, 0x46, 0x00}) b->byte(magic); // "VSF\0"
    b->u32le(version);
    b->u64le(entityCount);
}

// The body options value of the barrier fixture: 96 bytes, no colliders.
inline void barrierBodyOptsValue(Bytes* b) {
    const f32 position[3] = {1, 2, 3};
    const f32 rotation[9] = {1, 0, 0, 0, 0.5f, 0, 0, 0, 2};
    for (f32 v : position) b->f32le(v);
    for (f32 v : rotation) b->f32le(v);
    b->u32le(0);                            // colliderCount
    for (f32 v : {4.0f, 5.0f, 6.0f}) b->f32le(v); // linearVelocity
    for (f32 v : {7.0f, 8.0f, 9.0f}) b->f32le(v); // angularVelocity
    b->f32le(9.81f);                        // gravity
    b->u32le(3);                            // collisionMask
    b->f32le(0.5f);                         // linearFriction
    b->f32le(0.25f);                        // angularFriction
    b->u32le(32);                           // flags: static
}

constexpr u64 barrierCableLo = 0x0123456789ABCDEFull;
constexpr u64 barrierCableHi = 0xFEDCBA9876543210ull;

// One enabled "::game::BarrierEntity" named "Barrier": body options, an EntityRef, a b8.
//   16 entity record                       ends 464
//   44   struct record ::game::BarrierEntity  ends 464
//   94     member bodyOpts (96-byte value)     ends 248
//  248     member cableEntity                  ends 418
//  310       struct record ::ve::EntityRef     ends 418
//  354         member id (16-byte Hash)        ends 418
//  418     member power (1 byte)               ends 464
inline std::vector<u8> barrierScene() {
    Bytes b;
    fileHeader(&b, 1);
    b.at(16);
    b.tag("VENT");
    b.u64le(464);
    b.byte(1);
    b.text("Barrier");
    b.at(44);
    b.tag("VSTR");
    b.u64le(464);
    b.byte(0);
    b.u64le(3);
    b.text("::game::BarrierEntity");
    b.at(94);
    b.tag("VSTM");
    b.u64le(248);
    b.u64le(0);
    b.text("::ve::BodyOpts");
    b.text("bodyOpts");
    barrierBodyOptsValue(&b);
    b.at(248);
    b.tag("VSTM");
    b.u64le(418);
    b.u64le(0);
    b.text("::ve::EntityRef");
    b.text("cableEntity");
    b.at(310);
    b.tag("VSTR");
    b.u64le(418);
    b.byte(0);
    b.u64le(1);
    b.text("::ve::EntityRef");
    b.at(354);
    b.tag("VSTM");
    b.u64le(418);
    b.u64le(0);
    b.text("::ve::Hash");
    b.text("id");
    b.u64le(barrierCableLo);
    b.u64le(barrierCableHi);
    b.at(418);
    b.tag("VSTM");
    b.u64le(464);
    b.u64le(0);
    b.text("::b8");
    b.text("power");
    b.byte(1);
    b.at(464);
    return b.bytes;
}

// Offsets of the barrier fixture's 8-byte counts, lengths and ends: every field a hostile file
// could set to a wild value.
struct FieldAt {
    size_t offset;
    const char* what;
};
inline std::vector<FieldAt> barrierSceneU64Fields() {
    return {
        {8, "entity count"},         {20, "entity end"},           {29, "entity name length"},
        {48, "struct end"},          {57, "member count"},         {65, "struct type name length"},
        {98, "bodyOpts end"},        {106, "bodyOpts pointer depth"}, {114, "bodyOpts type name length"},
        {136, "bodyOpts name length"}, {252, "cableEntity end"},   {260, "cableEntity pointer depth"},
        {268, "cableEntity type name length"}, {291, "cableEntity name length"}, {314, "nested struct end"},
        {323, "nested member count"}, {331, "nested type name length"}, {358, "id end"},
        {366, "id pointer depth"},   {374, "id type name length"}, {392, "id name length"},
        {422, "power end"},          {430, "power pointer depth"}, {438, "power type name length"},
        {450, "power name length"},
    };
}

// =============================================================================================
// Entities with a value in every field
// =============================================================================================

inline ve::MetaData* typeOf(ve::StructMemberMetaData* member) { return ve::findMetaData(member->typeName); }

inline void fillStruct(u8* data, ve::MetaData* metaData, ve::MemoryStore* heap, u32* counter);

// A recognisable non-zero value of the member's type; pointers get an address that the loader
// must not bring back.
inline void fillMember(u8* base, ve::StructMemberMetaData* member, ve::MemoryStore* heap, u32* counter) {
    u8* at = base + member->offsetInStruct;
    *counter += 1;
    if (member->numIndirections) {
        void* pointer = (void*)(uintptr_t)(0x1000 * *counter);
        memcpy(at, &pointer, sizeof(pointer));
        return;
    }
    switch (member->type) {
    case ve::MetaType::b8: *at = 1; return;
    case ve::MetaType::buffer:
    case ve::MetaType::string: {
        std::string value = "text number " + std::to_string(*counter);
        *(string*)at = ve::allocAndCopyString({value.size(), (u8*)value.data()}, heap);
        return;
    }
    case ve::MetaType::ve_BodyOpts: {
        ve::BodyOpts* opts = (ve::BodyOpts*)at;
        f32* floats = (f32*)opts;
        for (int i = 0; i < 12; i++) floats[i] = (f32)(*counter + i) * 0.5f; // position and rotation
        opts->colliderCount = 2;
        opts->colliders = (ve::Primitive*)ve::pushToHeap(heap, 2 * sizeof(ve::Primitive));
        for (u32 c = 0; c < 2; c++) {
            ve::Primitive* collider = &opts->colliders[c];
            *collider = {};
            collider->type = ve::Primitive_Type::Cuboid;
            for (int e = 0; e < 16; e++) collider->localTransform.E[e / 4][e % 4] = (f32)(c * 100 + e);
            collider->cuboid.scale = {1.5f + c, 2.5f + c, 3.5f + c};
        }
        opts->linearVelocity = {1, -2, 3};
        opts->angularVelocity = {-4, 5, -6};
        opts->gravity = 9.81f;
        opts->collisionMask = 0xF0F0;
        opts->linearFriction = 0.125f;
        opts->angularFriction = 0.0625f;
        opts->flags.value = (u32)ve::BodyType::Static | (u32)ve::AxisLock::X;
        opts->physicsBody = 77; // output of the physics glue: never stored
        return;
    }
    case ve::MetaType::Unresolved: return;
    default: break;
    }
    msi size = 0;
    switch (member->type) {
    case ve::MetaType::u8: case ve::MetaType::s8: case ve::MetaType::c8: size = 1; break;
    case ve::MetaType::u16: case ve::MetaType::s16: size = 2; break;
    case ve::MetaType::u32: case ve::MetaType::s32: case ve::MetaType::f32: size = 4; break;
    case ve::MetaType::u64: case ve::MetaType::s64: case ve::MetaType::msi: case ve::MetaType::f64:
    case ve::MetaType::ve_v2: size = 8; break;
    case ve::MetaType::ve_v3: size = 12; break;
    case ve::MetaType::ve_Hash: case ve::MetaType::ve_v4: case ve::MetaType::ve_mat2: size = 16; break;
    case ve::MetaType::ve_mat3: size = 36; break;
    case ve::MetaType::ve_mat4: size = 64; break;
    default: break;
    }
    for (msi i = 0; i < size; i++) at[i] = (u8)(*counter * 13 + i * 7 + 1);
    if (size) return;
    ve::MetaData* type = typeOf(member);
    ASSERT_NE(type, nullptr) << std::string((char*)member->typeName.data, member->typeName.length);
    if (type->dataType == ve::MetaDataType::Enum) {
        // The last enumerator: non-zero for every enum of the game.
        ve::setEnumValueCastedFromU64(at, type, type->data.enumData.enumMembers[type->memberCount - 1].value);
        return;
    }
    fillStruct(at, type, heap, counter);
}

inline void fillStruct(u8* data, ve::MetaData* metaData, ve::MemoryStore* heap, u32* counter) {
    for (msi i = 0; i < metaData->memberCount; i++)
        fillMember(data, &metaData->data.structData.structMembers[i], heap, counter);
}

// What the file cannot carry byte for byte is checked here and cleared in both records: pointers
// come back null, buffers and colliders come back with the same contents, the body id as 0. The
// rest must then be equal byte for byte.
inline void compareAndClearIndirect(u8* original, u8* loaded, ve::MetaData* metaData, const std::string& path) {
    for (msi i = 0; i < metaData->memberCount; i++) {
        ve::StructMemberMetaData* member = &metaData->data.structData.structMembers[i];
        std::string where = path + "." + std::string((char*)member->name.data, member->name.length);
        u8* a = original + member->offsetInStruct;
        u8* b = loaded + member->offsetInStruct;
        if (member->numIndirections) {
            void* pointer;
            memcpy(&pointer, b, sizeof(pointer));
            EXPECT_EQ(pointer, nullptr) << where;
            memset(a, 0, sizeof(void*));
            memset(b, 0, sizeof(void*));
        } else if (member->type == ve::MetaType::buffer || member->type == ve::MetaType::string) {
            EXPECT_TRUE(ve::cmpBuffer(*(buffer*)a, *(buffer*)b)) << where;
            *(buffer*)a = {};
            *(buffer*)b = {};
        } else if (member->type == ve::MetaType::ve_BodyOpts) {
            ve::BodyOpts* x = (ve::BodyOpts*)a;
            ve::BodyOpts* y = (ve::BodyOpts*)b;
            ASSERT_EQ(x->colliderCount, y->colliderCount) << where;
            for (u32 c = 0; c < x->colliderCount; c++)
                EXPECT_EQ(memcmp(&x->colliders[c], &y->colliders[c], sizeof(ve::Primitive)), 0) << where << " collider " << c;
            EXPECT_EQ(y->physicsBody, 0u) << where;
            x->colliders = y->colliders = nullptr;
            x->physicsBody = y->physicsBody = 0;
        } else if (member->type != ve::MetaType::Unresolved) {
            ve::MetaData* type = typeOf(member);
            if (type && type->dataType == ve::MetaDataType::Struct && member->type != ve::MetaType::ve_Hash &&
                member->type != ve::MetaType::ve_v2 && member->type != ve::MetaType::ve_v3 &&
                member->type != ve::MetaType::ve_v4 && member->type != ve::MetaType::ve_mat2 &&
                member->type != ve::MetaType::ve_mat3 && member->type != ve::MetaType::ve_mat4)
                compareAndClearIndirect(a, b, type, where);
        }
    }
}

// A scene with one entity of every entity type, every field filled.
inline ve::Scene sceneOfEveryEntityType(const char* sceneName, ve::MemoryStore* store) {
    ve::Scene scene = ve::createScene(ve::wrapASCIIZ(sceneName), 1 << 20, store);
    u32 counter = 0;
    for (u32 row = 0; row < ve::entityTypeCount; row++) {
        std::string name = "Entity of row " + std::to_string(row);
        ve::Entity* entity = ve::createEntity(&scene, ve::entityTypes[row].metaData->type, {name.size(), (u8*)name.data()});
        fillStruct(entity->entityData.data, ve::entityTypes[row].metaData, &scene.sceneDataHeap, &counter);
        entity->enabled = row % 2;
    }
    return scene;
}

} // namespace fixtures
