// No data is lost between the editor and the scene file: one entity of each of the thirteen types
// is made through the editor's actions, every stored member gets a value of its own, the scene is
// saved and read into a fresh scene, and every introspected member is compared. Pointers (bound by
// init functions) and body ids (given by the body store) are not stored and not compared.

#include "entityCompare.h"

#include "Game/FloatingTextEntity.h"
#include "Game/PlayerEntity.h"
#include "Util/serialization.h"

using namespace editortest;

namespace {

constexpr u32 TEXT_ROW = 10;

// Writes values that differ from member to member and from zero.
struct Filler {
    u32 next = 1;
    std::vector<ve::Hash> ids;
    ve::Scene* scene;

    void fillPlain(u8* field, MetaType type, msi size) {
        if (type == MetaType::b8) {
            *field = 1;
        } else if (isFloatBased(type)) {
            for (msi i = 0; i < size / 4; i++) ((f32*)field)[i] = 0.25f * (f32)next++;
        } else {
            for (msi i = 0; i < size; i++) field[i] = (u8)(next++ * 37 + 1);
        }
    }

    void fillBodyOpts(ve::BodyOpts* opts) {
        fillPlain((u8*)&opts->position, MetaType::ve_v3, 12);
        fillPlain((u8*)&opts->rotation, MetaType::ve_mat3, 36);
        for (int i = 0; i < 2; i++) {
            ve::Primitive collider = {};
            fillPlain((u8*)&collider.localTransform, MetaType::ve_mat4, 64);
            fillPlain((u8*)&collider.cuboid.scale, MetaType::ve_v3, 12);
            ve::addColliderSceneLoad(opts, collider);
        }
        fillPlain((u8*)&opts->linearVelocity, MetaType::ve_v3, 12);
        fillPlain((u8*)&opts->angularVelocity, MetaType::ve_v3, 12);
        fillPlain((u8*)&opts->gravity, MetaType::f32, 4);
        opts->collisionMask = 0xDEADBEEF;
        fillPlain((u8*)&opts->linearFriction, MetaType::f32, 4);
        fillPlain((u8*)&opts->angularFriction, MetaType::f32, 4);
        opts->flags.value = (u32)ve::BodyType::Dynamic | (u32)ve::AxisLock::Y | (next++ << 12);
        opts->physicsBody = 4242;
    }

    void fillStruct(MetaData* metaData, u8* data) {
        for (msi i = 0; i < metaData->memberCount; i++) {
            StructMemberMetaData* member = &membersOf(metaData)[i];
            if (!isStoredValue(member)) continue;
            u8* field = data + member->offsetInStruct;
            MetaData* nested = ve::findMetaData(member->typeName);
            if (nested && nested->dataType == ve::MetaDataType::Enum) {
                u64 last = nested->data.enumData.enumMembers[nested->memberCount - 1].value;
                ve::setEnumValueCastedFromU64(field, nested, last ? last : 1);
            } else if (member->type == MetaType::ve_BodyOpts) {
                fillBodyOpts((ve::BodyOpts*)field);
            } else if (member->type == MetaType::ve_EntityRef) {
                ((ve::EntityRef*)field)->id = ids[next++ % ids.size()];
            } else if (member->type == MetaType::string) {
                std::string value = "text " + std::to_string(next++);
                *(string*)field = ve::allocAndCopyString(name(value.c_str()), &scene->sceneDataHeap);
            } else if (ve::fixedValueSize(member->type)) {
                fillPlain(field, member->type, ve::fixedValueSize(member->type));
            } else if (nested) {
                fillStruct(nested, field);
            }
        }
    }
};

class EditorRoundTrip : public EditorTest {};

TEST_F(EditorRoundTrip, EveryStoredMemberOfEveryTypeSurvivesSaveAndLoad) {
    for (u32 row = 0; row < ve::entityTypeCount; row++) ASSERT_NE(newEntity(row), nullptr);
    Filler filler;
    filler.scene = scene();
    for (msi i = 0; i < scene()->entities.length; i++) filler.ids.push_back(entityAt(i)->id);
    for (msi i = 0; i < scene()->entities.length; i++) {
        ve::Entity* entity = entityAt(i);
        filler.fillStruct(entity->type->metaData, entity->entityData.data);
    }
    entityAt(3)->enabled = false;
    ve::Entity* floating = entityAt(TEXT_ROW);
    ve::toggleEditString(&((game::FloatingTextEntity*)floating->entityData.data)->text);
    ASSERT_TRUE(ve::applyEditString(name("Edited in the editor")));
    auto* player = (game::PlayerEntity*)entityAt(6)->entityData.data;
    ve::v3 lookTarget = player->cam.pos + player->cam.dir;

    ASSERT_TRUE(ve::saveCurrentSceneAs(name("Round Trip")));
    ve::Scene loaded;
    ASSERT_EQ(ve::loadScene(&loaded, name("Round Trip"), ve::permanentStore).failure, nullptr);
    ASSERT_EQ(loaded.entities.length, scene()->entities.length);

    // The file holds the point that the player looks at (its init makes it a direction again).
    auto* loadedPlayer = (game::PlayerEntity*)((ve::Entity*)loaded.entities[6])->entityData.data;
    EXPECT_EQ(memcmp(&loadedPlayer->cam.dir, &lookTarget, sizeof(ve::v3)), 0);
    loadedPlayer->cam.dir = player->cam.dir;

    Comparer comparer;
    for (msi i = 0; i < loaded.entities.length; i++) {
        ve::Entity* original = entityAt(i);
        ve::Entity* copy = (ve::Entity*)loaded.entities[i];
        std::string entityName = text(original->name);
        EXPECT_EQ(text(copy->name), entityName);
        EXPECT_TRUE(copy->id == original->id) << entityName;
        EXPECT_EQ(copy->enabled, original->enabled) << entityName;
        EXPECT_EQ(copy->type, original->type) << entityName;
        comparer.compareStruct(original->type->metaData, original->entityData.data, copy->entityData.data, entityName);
    }
    EXPECT_EQ(text(((game::FloatingTextEntity*)((ve::Entity*)loaded.entities[TEXT_ROW])->entityData.data)->text),
              "Edited in the editor");
    // Body ids are not stored: the loaded options name no body until init builds one.
    EXPECT_EQ(((ve::BodyOpts*)((ve::Entity*)loaded.entities[2])->entityData.data)->physicsBody, 0u);
    // Every kind of member was there to compare.
    for (const char* kind : {"plain", "enum", "string", "struct", "body options", "colliders"})
        EXPECT_GT(comparer.compared[kind], 0) << kind;
}

} // namespace
