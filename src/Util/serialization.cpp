#include "Util/serialization.h"

#include "Core/console.h"
#include "Core/engine_globals.h"
#include "Math/integerMath.h"
#include "Memory/memory.h"
#include "Meta/entity_type_list.h"
#include "Meta/introspection.h"
#include "Util/Datastructures.h"
#include "Util/string.h"

namespace ve {

msi fixedValueSize(MetaType type) {
    switch (type) {
    case MetaType::u8:
    case MetaType::s8:
    case MetaType::b8:
    case MetaType::c8: return 1;
    case MetaType::u16:
    case MetaType::s16: return 2;
    case MetaType::u32:
    case MetaType::s32:
    case MetaType::f32: return 4;
    case MetaType::u64:
    case MetaType::s64:
    case MetaType::msi:
    case MetaType::f64:
    case MetaType::ve_v2: return 8;
    case MetaType::ve_v3: return 12;
    case MetaType::ve_Hash:
    case MetaType::ve_v4:
    case MetaType::ve_mat2: return 16;
    case MetaType::ve_mat3: return 36;
    case MetaType::ve_mat4: return 64;
    default: return 0;
    }
}

namespace serialization {

// Types whose members carry no value at all in a file.
b8 hasNoStoredValue(MetaType type) {
    return type == MetaType::Unresolved || type == MetaType::Void || type == MetaType::fmax ||
           type == MetaType::simdf || type == MetaType::simdd || type == MetaType::simdi;
}

b8 isBufferType(MetaType type) { return type == MetaType::buffer || type == MetaType::string; }

void printLine(string text) { platform->print(text); }
void printLine(const c8* text) { platform->print(wrapASCIIZ(text)); }

// The first `reportedNameBytes` bytes of a name from a file, as the length a "%.*s" takes.
int reportedLength(string name) { return (int)min(name.length, reportedNameBytes); }

} // namespace serialization

// =============================================================================================
// Writing
// =============================================================================================

namespace serialization {

b8 reserveBytes(SerialWriter* writer, msi count) {
    if (writer->outOfMemory) return false;
    if (count <= writer->bytes.length - writer->position) return true;
    msi capacity = max(max(writer->bytes.length * 2, writer->position + count), (u64)4096);
    buffer grown = createBuffer(capacity, writer->store);
    if (!grown.data) {
        writer->outOfMemory = true;
        return false;
    }
    copyBuffer({writer->position, writer->bytes.data}, grown);
    freeBuffer(&writer->bytes, writer->store);
    writer->bytes = grown;
    return true;
}

msi writeBytes(SerialWriter* writer, const void* data, msi count) {
    if (reserveBytes(writer, count)) {
        copyBuffer({count, (u8*)data}, {count, writer->bytes.data + writer->position});
        writer->position += count;
    }
    return writer->position;
}

// Writes a placeholder end and returns where it stands, so the end can be filled in once the
// record is complete.
msi beginRecord(SerialWriter* writer, u32 tag) {
    serialize(writer, tag);
    msi endAt = writer->position;
    serialize(writer, (u64)0);
    return endAt;
}

msi endRecord(SerialWriter* writer, msi endAt) {
    u64 end = writer->position;
    if (!writer->outOfMemory) copyBuffer({sizeof(end), (u8*)&end}, {sizeof(end), writer->bytes.data + endAt});
    return writer->position;
}

msi writeValue(SerialWriter* writer, u8* value, StructMemberMetaData* member) {
    msi size = fixedValueSize(member->type);
    if (size) return writeBytes(writer, value, size);
    if (isBufferType(member->type)) return serialize(writer, *(buffer*)value);
    if (member->type == MetaType::ve_BodyOpts) return serialize(writer, (BodyOpts*)value);
    if (hasNoStoredValue(member->type)) return writer->position;
    MetaData* metaData = findMetaData(member->typeName);
    if (!VE_SOFT_ASSERT(metaData)) return writer->position;
    return serialize_Struct(writer, value, metaData);
}

} // namespace serialization

msi serialize(SerialWriter* writer, u8 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }
msi serialize(SerialWriter* writer, u16 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }
msi serialize(SerialWriter* writer, u32 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }
msi serialize(SerialWriter* writer, u64 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }
msi serialize(SerialWriter* writer, s8 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }
msi serialize(SerialWriter* writer, s16 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }
msi serialize(SerialWriter* writer, s32 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }
msi serialize(SerialWriter* writer, s64 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }
msi serialize(SerialWriter* writer, f32 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }
msi serialize(SerialWriter* writer, f64 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }
msi serialize(SerialWriter* writer, c8 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }
msi serialize(SerialWriter* writer, v2 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }
msi serialize(SerialWriter* writer, v3 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }
msi serialize(SerialWriter* writer, v4 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }
msi serialize(SerialWriter* writer, mat2 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }
msi serialize(SerialWriter* writer, mat3 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }
msi serialize(SerialWriter* writer, mat4 value) { return serialization::writeBytes(writer, &value, sizeof(value)); }

msi serialize(SerialWriter* writer, Hash value) {
    serialize(writer, value.lo);
    return serialize(writer, value.hi);
}

msi serialize(SerialWriter* writer, buffer value) {
    serialize(writer, (u64)value.length);
    return serialization::writeBytes(writer, value.data, value.length);
}

msi serialize(SerialWriter* writer, BodyOpts* value) {
    // The stored count must match the colliders that follow it.
    u32 storedCount = 0;
    for (u32 i = 0; value->colliders && i < value->colliderCount; i++) {
        storedCount += VE_SOFT_ASSERT(value->colliders[i].type == Primitive_Type::Cuboid);
    }
    serialize(writer, value->position);
    serialize(writer, value->rotation);
    serialize(writer, storedCount);
    serialize(writer, value->linearVelocity);
    serialize(writer, value->angularVelocity);
    serialize(writer, value->gravity);
    serialize(writer, value->collisionMask);
    serialize(writer, value->linearFriction);
    serialize(writer, value->angularFriction);
    serialize(writer, value->flags.value);
    for (u32 i = 0; storedCount && i < value->colliderCount; i++) {
        Primitive* collider = &value->colliders[i];
        if (collider->type != Primitive_Type::Cuboid) continue;
        serialize(writer, (u32)collider->type);
        serialize(writer, collider->localTransform);
        serialize(writer, collider->cuboid.width);
        serialize(writer, collider->cuboid.height);
        serialize(writer, collider->cuboid.depth);
    }
    return writer->position;
}

msi serialize_StructMember(SerialWriter* writer, void* data, StructMemberMetaData* member) {
    msi endAt = serialization::beginRecord(writer, memberRecordTag);
    serialize(writer, (u64)member->numIndirections);
    serialize(writer, member->typeName);
    serialize(writer, member->name);
    if (member->numIndirections == 0) serialization::writeValue(writer, (u8*)data + member->offsetInStruct, member);
    return serialization::endRecord(writer, endAt);
}

msi serialize_Struct(SerialWriter* writer, void* data, MetaData* metaData) {
    msi endAt = serialization::beginRecord(writer, structRecordTag);
    b8 isEnum = metaData->dataType == MetaDataType::Enum;
    serialize(writer, (u8)isEnum);
    serialize(writer, (u64)metaData->memberCount);
    serialize(writer, metaData->name);
    if (isEnum) {
        serialize(writer, getEnumValueCastedToU64(data, metaData));
    } else {
        for (msi i = 0; i < metaData->memberCount; i++)
            serialize_StructMember(writer, data, &metaData->data.structData.structMembers[i]);
    }
    return serialization::endRecord(writer, endAt);
}

msi serialize_Entity(SerialWriter* writer, Entity* entity) {
    msi endAt = serialization::beginRecord(writer, entityRecordTag);
    serialize(writer, (u8)(entity->enabled != 0));
    serialize(writer, entity->name);
    serialize_Struct(writer, entity->entityData.data, entity->type->metaData);
    return serialization::endRecord(writer, endAt);
}

buffer serializeScene(Scene* scene, MemoryStore* store) {
    SerialWriter writer = {};
    writer.store = store;
    serialize(&writer, sceneFileMagic);
    serialize(&writer, (u32)0);
    serialize(&writer, (u64)scene->entities.length);
    for (msi i = 0; i < scene->entities.length; i++) serialize_Entity(&writer, (Entity*)scene->entities[i]);
    if (writer.outOfMemory) {
        freeBuffer(&writer.bytes, store);
        return {};
    }
    return {writer.position, writer.bytes.data};
}

namespace serialization {

// Writes `image` to the temporary file `tempName` beside the scene file and puts it in place of
// `fileName` with the platform's atomic rename, which deletes the temporary file when anything
// failed. The scene file is never opened for writing, so it keeps its old bytes until the rename.
b8 replaceFileWith(string fileName, string tempName, buffer image) {
    PlatformFileList file = platform->createFile(tempName);
    b8 replaced = file.count == 1;
    if (replaced) {
        platform->writeFile(file, 0, 0, image);
        replaced = platform->renameFile(file, 0, fileName);
    }
    platform->closeFileList(file);
    return replaced;
}

} // namespace serialization

b8 saveScene(Scene* scene) {
    string fileName = concatString(scene->name, wrapASCIIZ(".vsf"), tmpStore);
    string tempName = concatString(fileName, wrapASCIIZ(".tmp"), tmpStore);
    buffer image = serializeScene(scene, tmpStore);
    b8 saved = scene->name.length && fileName.data && tempName.data && image.data &&
               serialization::replaceFileWith(fileName, tempName, image);
    if (!saved) serialization::printLine("Failed to save Scene!");
    freeBuffer(&image, tmpStore);
    return saved;
}

// =============================================================================================
// Reading
// =============================================================================================
// Every record's end is checked to lie after its fixed header and within its parent's end before
// anything inside it is read; every length is checked against that end before anything is
// allocated. Reads then stay within [position, end) by construction.

namespace serialization {

b8 readBytes(SerialReader* reader, msi end, void* into, msi count) {
    if (reader->position > end || count > end - reader->position) return false;
    copyBuffer({count, reader->bytes.data + reader->position}, {count, (u8*)into});
    reader->position += count;
    return true;
}

// A length-prefixed text, seen in place in the image (no copy).
b8 readTextView(SerialReader* reader, msi end, string* text) {
    u64 length;
    if (!deserialize_u64(reader, end, &length) || length > end - reader->position) return false;
    *text = {length, reader->bytes.data + reader->position};
    reader->position += length;
    return true;
}

// A record's tag and end: the end must leave room for the record's fixed header and lie within
// the parent's end.
b8 readRecordStart(SerialReader* reader, msi parentEnd, u32 tag, msi headerSize, msi* end) {
    msi start = reader->position;
    u32 storedTag;
    u64 storedEnd;
    if (!deserialize_u32(reader, parentEnd, &storedTag) || !deserialize_u64(reader, parentEnd, &storedEnd)) return false;
    if (storedTag != tag || storedEnd == 0) return false;
    // Subtraction only once the end is known to lie after the start: an end that points
    // backwards would otherwise wrap around and send the reader back over records it has read.
    if (storedEnd > parentEnd || storedEnd < start || storedEnd - start < headerSize) return false;
    *end = storedEnd;
    return true;
}

struct StructRecordStart {
    msi end;
    u8 isEnum;
    u64 memberCount;
    string typeName;
};

b8 readStructRecordStart(SerialReader* reader, msi parentEnd, StructRecordStart* record) {
    return readRecordStart(reader, parentEnd, structRecordTag, structRecordHeaderSize, &record->end) &&
           deserialize_u8(reader, record->end, &record->isEnum) &&
           deserialize_u64(reader, record->end, &record->memberCount) &&
           readTextView(reader, record->end, &record->typeName);
}

b8 isIdentifierCharacter(c8 c, b8 first) {
    b8 letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    return letter || (!first && c >= '0' && c <= '9');
}

// The names a member record can carry are the introspection table's: an identifier, and for a
// type name "::" before each of its identifiers ("::ve::BodyOpts"). Anything else marks a damaged
// header; a name that is merely different is a member renamed or retyped since the file was
// written.
b8 isName(string text, b8 qualified) {
    msi i = 0;
    do {
        if (qualified && !(i + 2 <= text.length && text.data[i] == ':' && text.data[i + 1] == ':')) return false;
        if (qualified) i += 2;
        msi start = i;
        while (i < text.length && isIdentifierCharacter((c8)text.data[i], i == start)) i++;
        if (i == start) return false;
    } while (qualified && i < text.length);
    return i == text.length;
}

struct MemberHeader {
    u64 numIndirections;
    string typeName;
    string name;
};

// The header of a member record after its tag and end: false when it cannot be what a writer
// wrote: a length past the record's end, a name that is not a name, or a pointer record that
// carries a value (a pointer is stored without one). The names read so far are kept.
b8 readMemberHeader(SerialReader* reader, msi end, MemberHeader* header) {
    *header = {};
    b8 readable = deserialize_u64(reader, end, &header->numIndirections) &&
                  readTextView(reader, end, &header->typeName) && readTextView(reader, end, &header->name);
    return readable && isName(header->typeName, true) && isName(header->name, false) &&
           (header->numIndirections == 0 || reader->position == end);
}

// The type record named by a struct record, or null (reported) when there is none; a name
// damaged to nothing names none.
MetaData* findStoredType(string typeName) {
    MetaData* metaData = typeName.length ? findMetaData(typeName) : 0;
    if (!metaData) {
        printLine("Failed to load struct: No metadata found to typename:");
        printLine(typeName);
    }
    return metaData;
}

// An enum value is taken only when it names one of the enum's enumerators: game code switches
// over these values and must never meet another.
b8 readEnumValue(SerialReader* reader, msi end, MetaData* metaData, u8* data) {
    u64 stored;
    if (!deserialize_u64(reader, end, &stored)) return false;
    setEnumValueCastedFromU64(data, metaData, stored);
    u64 value = getEnumValueCastedToU64(data, metaData);
    for (msi i = 0; i < metaData->memberCount; i++) {
        if (metaData->data.enumData.enumMembers[i].value == value && value == stored) return true;
    }
    setEnumValueCastedFromU64(data, metaData, 0);
    return false;
}

// The members or the enum value of a struct record whose start has been read, into `data` (the
// type's size, zeroed). True when the whole record was sound and ends exactly at its end.
b8 readStructRecordBody(SerialReader* reader, StructRecordStart* record, MetaData* metaData, u8* data,
                        MemoryStore* store, u32 depth) {
    b8 isEnumType = metaData->dataType == MetaDataType::Enum;
    if (record->isEnum != (u8)isEnumType) return false;
    if (isEnumType) return readEnumValue(reader, record->end, metaData, data) && reader->position == record->end;
    // Every member record takes at least its fixed header, so a count beyond what the record's
    // bytes can hold fails at the first member that does not fit.
    for (u64 i = 0; i < record->memberCount; i++) {
        if (!deserialize_StructMember(reader, record->end, metaData, data, store, depth)) return false;
    }
    return reader->position == record->end;
}

// A nested struct record read straight into a member. It is taken only when it names the
// member's own type, so it fills exactly the member's bytes; otherwise, or when it is not sound,
// the member is left zero and the result is false.
b8 readNestedStruct(SerialReader* reader, msi memberEnd, MetaData* memberType, u8* member, MemoryStore* store,
                    u32 depth) {
    StructRecordStart record;
    if (depth >= maxStructNesting || !readStructRecordStart(reader, memberEnd, &record)) return false;
    MetaData* stored = findStoredType(record.typeName);
    b8 sound = stored == memberType && readStructRecordBody(reader, &record, stored, member, store, depth + 1);
    if (!sound) zeroSize(memberType->sizeInBytes, member);
    reader->position = record.end;
    return sound;
}

// False when the stored value is damaged; the member then holds zero (body options are left
// untouched, and their entity is refused).
b8 readMemberValue(SerialReader* reader, msi end, StructMemberMetaData* member, u8* value, MemoryStore* store,
                   u32 depth) {
    msi size = fixedValueSize(member->type);
    if (size) return readBytes(reader, end, value, size);
    if (isBufferType(member->type)) return deserialize_buffer(reader, end, store, (buffer*)value);
    if (member->type == MetaType::ve_BodyOpts) return deserialize_bodyOpts(reader, end, store, (BodyOpts*)value);
    if (hasNoStoredValue(member->type)) return true;
    // A type without a record is written without a value.
    MetaData* memberType = findMetaData(member->typeName);
    return !memberType || readNestedStruct(reader, end, memberType, value, store, depth);
}

// One line for a damaged member; past `maxReportedLosses` in one file they are only counted, for
// the closing line of the load.
void reportLoss(SerialReader* reader, string memberName, const c8* outcome) {
    if (reader->losses++ >= maxReportedLosses) return;
    printFormattedLine("Entity \"%.*s\": damaged member \"%.*s\" %s", reportedLength(reader->entityName),
                       (const c8*)reader->entityName.data, reportedLength(memberName), (const c8*)memberName.data,
                       outcome);
}

// Reports a member whose header or value is damaged; `member` is the struct's member it names, or
// null. False when the damage spoils the whole struct: body options that cannot be read whole
// would build an invalid body, so their entity is refused.
b8 reportDamagedMember(SerialReader* reader, StructMemberMetaData* member, string shownName) {
    b8 spoilsStruct = member && member->type == MetaType::ve_BodyOpts;
    // A name that is not a name (its bytes damaged, or never found) is not printed.
    if (!isName(shownName, false)) shownName = wrapASCIIZ("?");
    reportLoss(reader, shownName, spoilsStruct ? "leaves its entity out" : "left zero");
    return !spoilsStruct;
}

} // namespace serialization

b8 deserialize_u8(SerialReader* reader, msi end, u8* value) { return serialization::readBytes(reader, end, value, 1); }
b8 deserialize_u32(SerialReader* reader, msi end, u32* value) { return serialization::readBytes(reader, end, value, 4); }
b8 deserialize_u64(SerialReader* reader, msi end, u64* value) { return serialization::readBytes(reader, end, value, 8); }

b8 deserialize_buffer(SerialReader* reader, msi end, MemoryStore* store, buffer* value) {
    string stored;
    if (!serialization::readTextView(reader, end, &stored)) return false;
    *value = {};
    if (stored.length) *value = allocAndCopyString(stored, store);
    return value->length == stored.length;
}

b8 deserialize_bodyOpts(SerialReader* reader, msi end, MemoryStore* store, BodyOpts* value) {
    if (reader->position > end || end - reader->position < bodyOptsFieldsSize) return false;
    BodyOpts read = {};
    serialization::readBytes(reader, end, &read.position, sizeof(read.position));
    serialization::readBytes(reader, end, &read.rotation, sizeof(read.rotation));
    serialization::readBytes(reader, end, &read.colliderCount, sizeof(read.colliderCount));
    serialization::readBytes(reader, end, &read.linearVelocity, sizeof(read.linearVelocity));
    serialization::readBytes(reader, end, &read.angularVelocity, sizeof(read.angularVelocity));
    serialization::readBytes(reader, end, &read.gravity, sizeof(read.gravity));
    serialization::readBytes(reader, end, &read.collisionMask, sizeof(read.collisionMask));
    serialization::readBytes(reader, end, &read.linearFriction, sizeof(read.linearFriction));
    serialization::readBytes(reader, end, &read.angularFriction, sizeof(read.angularFriction));
    serialization::readBytes(reader, end, &read.flags.value, sizeof(read.flags.value));
    // The count must describe exactly the bytes that follow, and every collider must be a Cuboid,
    // before any memory is taken: a refused member leaves nothing behind in the store.
    if ((u64)read.colliderCount * colliderRecordSize != end - reader->position) return false;
    for (u32 i = 0; i < read.colliderCount; i++) {
        u32 type = ~0u; // no type: a copy that fails is not taken for a Cuboid
        msi typeAt = reader->position + (msi)i * colliderRecordSize;
        copyBuffer(reader->bytes, {sizeof(type), (u8*)&type}, typeAt, sizeof(type));
        if (type != (u32)Primitive_Type::Cuboid) return false;
    }
    if (read.colliderCount) {
        read.colliders = (Primitive*)pushToHeap(store, read.colliderCount * sizeof(Primitive));
        if (!read.colliders) return false;
    }
    for (u32 i = 0; i < read.colliderCount; i++) {
        Primitive* collider = &read.colliders[i];
        *collider = {};
        reader->position += sizeof(u32); // the type, checked above
        serialization::readBytes(reader, end, &collider->localTransform, sizeof(collider->localTransform));
        serialization::readBytes(reader, end, &collider->cuboid.width, sizeof(f32));
        serialization::readBytes(reader, end, &collider->cuboid.height, sizeof(f32));
        serialization::readBytes(reader, end, &collider->cuboid.depth, sizeof(f32));
    }
    *value = read;
    return true;
}

b8 deserialize_StructMember(SerialReader* reader, msi structEnd, MetaData* metaData, u8* data, MemoryStore* store,
                            u32 depth) {
    msi end;
    if (!serialization::readRecordStart(reader, structEnd, memberRecordTag, memberRecordHeaderSize, &end)) return false;
    serialization::MemberHeader header;
    b8 headerSound = serialization::readMemberHeader(reader, end, &header);
    StructMemberMetaData* member =
        serialization::isName(header.name, false) ? findStructMemberMetaData(metaData, header.name) : 0;
    if (!headerSound) {
        reader->position = end;
        return serialization::reportDamagedMember(reader, member, header.name);
    }
    // A member that the file has and the struct lacks is skipped; one whose type or pointer depth
    // changed stays zero; a pointer never has a value.
    b8 sound = true;
    if (member && member->numIndirections == 0 && header.numIndirections == 0 && member->type != MetaType::Unresolved &&
        cmpString(member->typeName, header.typeName)) {
        sound = serialization::readMemberValue(reader, end, member, data + member->offsetInStruct, store, depth);
    }
    reader->position = end;
    return sound || serialization::reportDamagedMember(reader, member, member->name);
}

b8 deserialize_Struct(SerialReader* reader, msi parentEnd, MemoryStore* store, buffer* out, MetaData** outMetaData) {
    *out = {};
    *outMetaData = 0;
    serialization::StructRecordStart record;
    if (!serialization::readStructRecordStart(reader, parentEnd, &record)) return false;
    MetaData* metaData = serialization::findStoredType(record.typeName);
    buffer block = metaData ? createBuffer(metaData->sizeInBytes, store) : buffer{};
    if (block.data) {
        zeroBuffer(block);
        if (serialization::readStructRecordBody(reader, &record, metaData, block.data, store, 0)) {
            *out = block;
            *outMetaData = metaData;
        } else {
            freeBuffer(&block, store);
        }
    }
    reader->position = record.end;
    return true;
}

EntityReadResult deserialize_Entity(SerialReader* reader, msi fileEnd, MemoryStore* heap, Entity* entity,
                                    string* nameRead) {
    *entity = {};
    *nameRead = {};
    msi end;
    if (!serialization::readRecordStart(reader, fileEnd, entityRecordTag, entityRecordHeaderSize, &end))
        return EntityReadResult::Unreadable;
    u8 enabled;
    b8 read = deserialize_u8(reader, end, &enabled) && serialization::readTextView(reader, end, nameRead);
    reader->entityName = *nameRead;
    if (read) entity->name = allocAndCopyString(*nameRead, heap);
    read = read && (!nameRead->length || entity->name.data);
    buffer data = {};
    MetaData* metaData = 0;
    read = read && deserialize_Struct(reader, end, heap, &data, &metaData) && data.data;
    EntityType* type = read ? findEntityType(metaData->type) : 0;
    if (!type || reader->position != end) {
        freeBuffer(&data, heap);
        freeString(&entity->name, heap);
        *entity = {};
        reader->position = end;
        return EntityReadResult::Skipped;
    }
    entity->id = hashString(entity->name);
    entity->entityData = data;
    entity->type = type;
    entity->enabled = enabled != 0;
    return EntityReadResult::Read;
}

namespace serialization {

void reportBadEntity(string name) {
    printLine("Failed to load Entity!");
    if (name.length) printLine(string{(msi)reportedLength(name), name.data});
}

// The scene's heap and entity array for `count` entities: false when `store` cannot give them.
b8 createLoadedSceneHeap(Scene* scene, u64 count, msi heapSize, MemoryStore* store) {
    buffer block = createBuffer(heapSize, store);
    if (!block.data) return false;
    scene->sceneDataHeap = createHeapStore(block);
    scene->entities = createDynArray(sizeof(Entity), count, &scene->sceneDataHeap);
    if (count && !scene->entities.buf.data) {
        freeBuffer(&block, store);
        *scene = {};
        return false;
    }
    return true;
}

// The ids of the entities read so far, in the temporary store: a second entity of one name would
// be unreachable (look-ups find the first), so it is left out. Twice the slots that the entities
// can fill keep the probe sequences short; a table without slots means the store was full.
Table createSeenIds(u64 count) { return createTbl(1, 2 * count + 1, tmpStore); }

void freeSeenIds(Table* seen) {
    freeFromHeap(tmpStore, seen->values);
    freeFromHeap(tmpStore, seen->entries);
    *seen = {};
}

// True when `id` was seen before; otherwise it is noted.
b8 isRepeatedId(Table* seen, Hash id) {
    if (getTblEntry(id, seen)) return true;
    createNewTblEntry(id, seen);
    return false;
}

// Every entity is read at a mark of the scene heap. A sound one only allocates, so the heap's
// free memory stays one block; a damaged one, and one that repeats an earlier entity's name, is
// rolled back whole, names, colliders and strings with its data, so it leaves no hole for later
// allocations to walk past. Returns the entity records left out or not read, counting the bytes
// past the counted records as one.
u32 readEntities(Scene* scene, SerialReader* reader, u64 count, Table* seen) {
    MemoryStore* heap = &scene->sceneDataHeap;
    u32 damaged = 0;
    for (u64 i = 0; i < count; i++) {
        Entity entity;
        string name;
        HeapMark mark = markHeap(heap);
        EntityReadResult result = deserialize_Entity(reader, reader->bytes.length, heap, &entity, &name);
        b8 repeated = result == EntityReadResult::Read && isRepeatedId(seen, entity.id);
        if (result == EntityReadResult::Read && !repeated) {
            push(&scene->entities, &entity);
            continue;
        }
        VE_SOFT_ASSERT(rollBackHeap(heap, mark));
        damaged++;
        if (repeated) {
            printFormattedLine("Entity \"%.*s\": a second entity of this name left out", reportedLength(name),
                               (const c8*)name.data);
            continue;
        }
        reportBadEntity(name);
        if (result == EntityReadResult::Unreadable) {
            printLine("Loading cannot continue!");
            return damaged;
        }
    }
    // Records past the count are not read; the file does not say they belong to the scene.
    if (reader->position < reader->bytes.length) {
        printFormattedLine("Scene \"%.*s\": %llu bytes after its %llu entities ignored", reportedLength(scene->name),
                           (const c8*)scene->name.data, (unsigned long long)(reader->bytes.length - reader->position),
                           (unsigned long long)count);
        damaged++;
    }
    return damaged;
}

void reportUncountedLosses(Scene* scene, SerialReader* reader) {
    if (reader->losses <= maxReportedLosses) return;
    printFormattedLine("Scene \"%.*s\": %u more damaged members", reportedLength(scene->name),
                       (const c8*)scene->name.data, reader->losses - maxReportedLosses);
}

// The data structs that the image's entity records name, with their blocks' overhead: a walk over
// the records' fixed headers only.
msi entityDataBytes(buffer image, u64 count) {
    SerialReader reader = {};
    reader.bytes = image;
    reader.position = sceneFileHeaderSize;
    msi total = 0;
    for (u64 i = 0; i < count; i++) {
        msi end;
        if (!readRecordStart(&reader, image.length, entityRecordTag, entityRecordHeaderSize, &end)) break;
        u8 enabled;
        string name;
        StructRecordStart record;
        MetaData* type = deserialize_u8(&reader, end, &enabled) && readTextView(&reader, end, &name) &&
                                 readStructRecordStart(&reader, end, &record)
                             ? findMetaData(record.typeName)
                             : 0;
        if (type && findEntityType(type->type)) total += type->sizeInBytes + heapBlockOverhead;
        reader.position = end;
    }
    return total;
}

} // namespace serialization

msi sceneHeapSize(buffer image, u64 count, string name) {
    msi editorRoom = (count + sceneHeapSlackEntities) * sceneHeapBytesPerEntity;
    // Names, strings and colliders are copies of the file's bytes, and each block's overhead is
    // paid by at least as many bytes of the record that holds its length: together at most twice
    // the image. The entity array and the scene's name come on top.
    msi copies = 2 * image.length + count * sizeof(Entity) + name.length + 2 * heapBlockOverhead;
    return max(editorRoom, copies + serialization::entityDataBytes(image, count));
}

namespace serialization {

// A load refused as a whole: its console line and its report.
SceneLoadReport refuseLoad(const c8* reason) {
    printFormattedLine("Failed to load Scene: %s", reason);
    return {reason, 0};
}

} // namespace serialization

SceneLoadReport readSceneImage(Scene* scene, string name, buffer image, MemoryStore* store) {
    *scene = {};
    SerialReader reader = {};
    reader.bytes = image;
    u32 magic = 0, version;
    u64 count;
    if (!deserialize_u32(&reader, image.length, &magic) || magic != sceneFileMagic)
        return serialization::refuseLoad("File corrupted (Wrong Magic Number)!");
    // Every entity record takes at least its fixed headers: a count that the file cannot hold
    // would size a heap from a lie.
    if (!deserialize_u32(&reader, image.length, &version) || !deserialize_u64(&reader, image.length, &count) ||
        count > (image.length - sceneFileHeaderSize) / minimumEntityRecordSize)
        return serialization::refuseLoad("File corrupted (Wrong Entity Count)!");
    Table seen = serialization::createSeenIds(count);
    if (!seen.length) return serialization::refuseLoad("Not enough memory!");
    if (!serialization::createLoadedSceneHeap(scene, count, sceneHeapSize(image, count, name), store)) {
        serialization::freeSeenIds(&seen);
        return serialization::refuseLoad("Not enough memory!");
    }
    scene->name = allocAndCopyString(name, &scene->sceneDataHeap);
    scene->id = hashString(scene->name);
    SceneLoadReport report = {};
    report.damagedRecords = serialization::readEntities(scene, &reader, count, &seen);
    serialization::freeSeenIds(&seen);
    serialization::reportUncountedLosses(scene, &reader);
    report.damagedRecords += reader.losses;
    return report;
}

namespace serialization {

b8 fileHasByteAt(PlatformFileList files, u32 index, u64 offset) {
    u8 byte;
    platform->readFile(files, index, (s64)offset, {1, &byte});
    return !platform->fileHasError(files, index);
}

// The platform offers no file size: it is found with single-byte reads, doubling and then
// bisecting, since a read past the end is reported by `fileHasError`.
u64 findFileSize(PlatformFileList files, u32 index) {
    constexpr u64 largestProbe = (u64)1 << 40;
    if (!fileHasByteAt(files, index, 0)) return 0;
    u64 known = 1, beyond = 4096; // the byte at known - 1 exists; the one at beyond - 1 does not
    while (fileHasByteAt(files, index, beyond - 1)) {
        known = beyond;
        if (beyond >= largestProbe) return beyond;
        beyond *= 2;
    }
    while (beyond - known > 1) {
        u64 middle = known + (beyond - known) / 2;
        if (fileHasByteAt(files, index, middle - 1)) known = middle;
        else beyond = middle;
    }
    return known;
}

} // namespace serialization

b8 readWholeFile(PlatformFileList files, u32 index, MemoryStore* store, buffer* image) {
    *image = {};
    u64 size = serialization::findFileSize(files, index);
    if (size == 0) return true;
    *image = createBuffer(size, store);
    if (!image->data) return false;
    platform->readFile(files, index, 0, *image);
    if (!platform->fileHasError(files, index)) return true;
    freeBuffer(image, store);
    return false;
}

namespace serialization {

SceneLoadReport readSceneFile(Scene* scene, string name, MemoryStore* store) {
    VE_ASSERT_NOT_NULL(store);
    *scene = {};
    // No file is named ".vsf" by a scene: an empty name (an editor field left blank) finds none.
    if (!name.length) return serialization::refuseLoad("File not found!");
    PlatformFileList files = platform->openFileList(wrapASCIIZ("vsf"));
    string fileName = concatString(name, wrapASCIIZ(".vsf"), tmpStore);
    u32 index = 0;
    while (index < files.count && !cmpString(files.names[index], fileName)) index++;
    if (!fileName.data || index == files.count) {
        platform->closeFileList(files);
        return serialization::refuseLoad("File not found!");
    }
    buffer image;
    b8 readable = readWholeFile(files, index, tmpStore, &image);
    platform->closeFileList(files);
    if (!readable) return serialization::refuseLoad("File could not be read!");
    SceneLoadReport report = readSceneImage(scene, name, image, store);
    freeBuffer(&image, tmpStore);
    return report;
}

} // namespace serialization

SceneLoadReport loadScene(Scene* scene, string name, MemoryStore* store) {
    SceneLoadReport report = serialization::readSceneFile(scene, name, store);
    if (report.failure || !report.damagedRecords) return report;
    // The heap is the scene's one block in `store`: the entities, names and array inside go with it.
    freeFromHeap(store, scene->sceneDataHeap.buf.data);
    *scene = {};
    report.failure = serialization::refuseLoad("File damaged!").failure;
    return report;
}

} // namespace ve
