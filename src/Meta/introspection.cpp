#include "Meta/introspection.h"

#include "Math/utilMath.h"
#include "Memory/memory.h"
#include "Util/Datastructures.h"
#include "Util/string.h"

namespace ve {

// The numbering is stored nowhere but compared everywhere: pin the landmarks.
static_assert((u32)MetaType::ve_MemoryStore == 21);
static_assert((u32)MetaType::ve_BodyOptsAccess == 28);
static_assert((u32)MetaType::ve_ParticleSystem == 38);
static_assert((u32)MetaType::ve_EngineState == 39);
static_assert((u32)MetaType::ve_AssetRegister == 52);
static_assert((u32)MetaType::game_ParticleEmitter == 53);
static_assert((u32)MetaType::game_FloatingTextEntity == 63);
static_assert((u32)MetaType::ve_pastTimeStamp == 64);
static_assert((u32)MetaType::game_LogicGateEntity == 68);
static_assert((u32)MetaType::u8 == 69);
static_assert((u32)MetaType::Void == 88);

MetaData* findMetaData(string typeName) {
    return (MetaData*)getTblEntry(hashString(typeName), &metaDataTable);
}

StructMemberMetaData* findStructMemberMetaData(MetaData* metaData, string name) {
    if (!metaData || metaData->dataType != MetaDataType::Struct) return 0;
    for (msi i = 0; i < metaData->memberCount; i++) {
        StructMemberMetaData* member = metaData->data.structData.structMembers + i;
        if (cmpString(member->name, name)) return member;
    }
    return 0;
}

// Value types are checked before either direction touches the value, so both fail alike.
static MetaType enumValueTypeOf(void* enumPtr, MetaData* metaData) {
    VE_ASSERT_NOT_NULL(metaData);
    VE_ASSERT_NOT_NULL(enumPtr);
    VE_ASSERT(metaData->dataType == MetaDataType::Enum);
    return metaData->data.enumData.enumValueType;
}

u64 getEnumValueCastedToU64(void* enumPtr, MetaData* metaData) {
    switch (enumValueTypeOf(enumPtr, metaData)) {
    case MetaType::u8: return *(u8*)enumPtr;
    case MetaType::u16: return *(u16*)enumPtr;
    case MetaType::u32: return *(u32*)enumPtr;
    // c8 counts as signed whatever the compiler's char is.
    case MetaType::s8:
    case MetaType::c8: return (u64)(s64)(*(s8*)enumPtr);
    case MetaType::s16: return (u64)(s64)(*(s16*)enumPtr);
    case MetaType::s32: return (u64)(s64)(*(s32*)enumPtr);
    case MetaType::u64:
    case MetaType::s64:
    case MetaType::msi: return *(u64*)enumPtr;
    default: VE_INVALID_CASE();
    }
}

void setEnumValueCastedFromU64(void* enumPtr, MetaData* metaData, u64 value) {
    switch (enumValueTypeOf(enumPtr, metaData)) {
    case MetaType::u8:
    case MetaType::s8:
    case MetaType::c8: *(u8*)enumPtr = (u8)value; return;
    case MetaType::u16:
    case MetaType::s16: *(u16*)enumPtr = (u16)value; return;
    case MetaType::u32:
    case MetaType::s32: *(u32*)enumPtr = (u32)value; return;
    case MetaType::u64:
    case MetaType::s64:
    case MetaType::msi: *(u64*)enumPtr = value; return;
    default: VE_INVALID_CASE();
    }
}

} // namespace ve
