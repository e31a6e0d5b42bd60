#pragma once
// Entity data compared member by member through the introspection table, as the scene file
// stores it: pointers are skipped (init functions bind them) and body ids are not stored. Which
// values are plain bytes the serializer's own `fixedValueSize` says; the scene file tests check
// that table against the format on their own.

#include "editor_harness.h"

#include "Physics/physics.h"
#include "Util/serialization.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace editortest {

using ve::MetaData;
using ve::MetaType;
using ve::StructMemberMetaData;

inline StructMemberMetaData* membersOf(MetaData* metaData) { return metaData->data.structData.structMembers; }

inline b8 isStoredValue(StructMemberMetaData* member) {
    return member->numIndirections == 0 && member->type != MetaType::Unresolved;
}

inline b8 isFloatBased(MetaType type) {
    return type == MetaType::f32 || type == MetaType::ve_v2 || type == MetaType::ve_v3 || type == MetaType::ve_v4 ||
           type == MetaType::ve_mat2 || type == MetaType::ve_mat3 || type == MetaType::ve_mat4;
}

// Compares every stored member; counts what it compared by kind.
struct Comparer {
    std::map<std::string, int> compared;

    void expectBytes(const void* a, const void* b, msi size, const std::string& path, const char* kind) {
        EXPECT_EQ(memcmp(a, b, size), 0) << path;
        compared[kind]++;
    }

    void compareBodyOpts(ve::BodyOpts* a, ve::BodyOpts* b, const std::string& path) {
        expectBytes(&a->position, &b->position, sizeof(ve::v3), path + ".position", "body options");
        expectBytes(&a->rotation, &b->rotation, sizeof(ve::mat3), path + ".rotation", "body options");
        ASSERT_EQ(a->colliderCount, b->colliderCount) << path;
        expectBytes(a->colliders, b->colliders, a->colliderCount * sizeof(ve::Primitive), path + ".colliders", "colliders");
        for (auto field : {&ve::BodyOpts::linearVelocity, &ve::BodyOpts::angularVelocity})
            expectBytes(&(a->*field), &(b->*field), sizeof(ve::v3), path + ".velocity", "body options");
        for (auto field : {&ve::BodyOpts::gravity, &ve::BodyOpts::linearFriction, &ve::BodyOpts::angularFriction})
            expectBytes(&(a->*field), &(b->*field), sizeof(f32), path + ".scalar", "body options");
        EXPECT_EQ(a->collisionMask, b->collisionMask) << path;
        EXPECT_EQ(a->flags.value, b->flags.value) << path;
    }

    void compareStruct(MetaData* metaData, u8* a, u8* b, const std::string& path) {
        for (msi i = 0; i < metaData->memberCount; i++) {
            StructMemberMetaData* member = &membersOf(metaData)[i];
            if (!isStoredValue(member)) continue;
            std::string memberPath = path + "." + text(member->name);
            u8* fieldA = a + member->offsetInStruct;
            u8* fieldB = b + member->offsetInStruct;
            MetaData* nested = ve::findMetaData(member->typeName);
            if (nested && nested->dataType == ve::MetaDataType::Enum) {
                EXPECT_EQ(ve::getEnumValueCastedToU64(fieldA, nested), ve::getEnumValueCastedToU64(fieldB, nested))
                    << memberPath;
                compared["enum"]++;
            } else if (member->type == MetaType::ve_BodyOpts) {
                compareBodyOpts((ve::BodyOpts*)fieldA, (ve::BodyOpts*)fieldB, memberPath);
            } else if (member->type == MetaType::string) {
                EXPECT_EQ(text(*(string*)fieldA), text(*(string*)fieldB)) << memberPath;
                compared["string"]++;
            } else if (ve::fixedValueSize(member->type)) {
                expectBytes(fieldA, fieldB, ve::fixedValueSize(member->type), memberPath, "plain");
            } else if (nested) {
                compared["struct"]++;
                compareStruct(nested, fieldA, fieldB, memberPath);
            }
        }
    }
};

} // namespace editortest
