#pragma once
// The struct serializer and the scene file format (.vsf).
//
// A scene file holds the scene's entities, each with its name, its enabled flag and its data
// struct. The data struct is written generically, member by member, from the introspection
// table, and read back by matching members by name, pointer depth and type name, so a file
// survives added, removed, reordered, renamed and retyped members.
//
// Format (little-endian, no padding; an "end" is the absolute file offset just past its record):
//   header:  u32 magic "VSF\0", u32 version (0, not checked), u64 entity count, then the entities
//   entity:  u32 "VENT", u64 end, b8 enabled, u64 name length, name bytes, one struct record
//   struct:  u32 "VSTR", u64 end, b8 isEnum, u64 member count, u64 type name length, type name,
//            then the member records (struct) or the value as u64 (enum)
//   member:  u32 "VSTM", u64 end, u64 pointer depth, u64 type name length, type name,
//            u64 member name length, member name, then the value (none for a pointer)
// Member values by type: 1 to 64 raw bytes for the integer, float, vector, matrix and Hash types;
// u64 length and bytes for buffer and string; the body options layout for ve::BodyOpts (96 bytes
// of fields, then colliderCount colliders of 80 bytes); nothing for an unresolved type; a nested
// struct record for every other type.
//
// Files are untrusted input. The loader reads the whole file into the temporary store first and
// checks every count, length and end against the record that holds it before it allocates or
// copies anything; a damaged record is skipped or ends the load with the messages below, never
// with a read or write outside its bytes.

#include "Platform/machineDef.h"
#include "Platform/ve_platform.h"
#include "Core/Scene/sceneDef.h"
#include "Memory/memory.h"
#include "Meta/introspectionDef.h"
#include "Math/mat2.h"
#include "Math/mat3.h"
#include "Math/mat4.h"
#include "Math/utilMath.h"
#include "Math/v2.h"
#include "Math/v3.h"
#include "Math/v4.h"
#include "Physics/physics.h"

namespace ve {

constexpr u32 sceneFileMagic = 0x00465356;  // "VSF\0"
constexpr u32 entityRecordTag = 0x544E4556; // "VENT"
constexpr u32 structRecordTag = 0x52545356; // "VSTR"
constexpr u32 memberRecordTag = 0x4D545356; // "VSTM"

constexpr msi sceneFileHeaderSize = 16;
// The fixed part of each record, up to its first variable-length field's bytes.
constexpr msi entityRecordHeaderSize = 21;
constexpr msi structRecordHeaderSize = 29;
constexpr msi memberRecordHeaderSize = 36;
// An entity record with an empty name and an empty struct record: no file can hold more entity
// records than its bytes after the header divided by this.
constexpr msi minimumEntityRecordSize = entityRecordHeaderSize + structRecordHeaderSize;
constexpr msi bodyOptsFieldsSize = 96;
constexpr msi colliderRecordSize = 80;
// The heap of a loaded scene is at least (entity count + sceneHeapSlackEntities) *
// sceneHeapBytesPerEntity, which leaves the map editor room to add entities, and more when the
// file's values need it (see `sceneHeapSize`).
constexpr msi sceneHeapSlackEntities = 512;
constexpr msi sceneHeapBytesPerEntity = 2048;
// Names in the loader's messages are cut to this many bytes, so a damaged name cannot flood the
// console.
constexpr msi reportedNameBytes = 64;
// Lines naming a damaged member that a load kept going past; the rest of a file's losses are
// counted in one closing line.
constexpr u32 maxReportedLosses = 8;
// Nested struct records deeper than this are not read (the engine's types nest far less).
constexpr u32 maxStructNesting = 16;

// Bytes of a member value that the file stores exactly as it lies in memory (little-endian, the
// vectors and matrices column by column); 0 for the types stored another way.
msi fixedValueSize(MetaType type);

// ---------------------------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------------------------

// A file image being written, growing in `store`. Once a growth fails the image is incomplete
// and `outOfMemory` stays set; nothing is written after that.
struct SerialWriter {
    buffer bytes;
    msi position;
    MemoryStore* store;
    b8 outOfMemory;
};

// Each writes one value at the writer's position and returns the position after it.
msi serialize(SerialWriter* writer, u8 value);
msi serialize(SerialWriter* writer, u16 value);
msi serialize(SerialWriter* writer, u32 value);
msi serialize(SerialWriter* writer, u64 value);
msi serialize(SerialWriter* writer, s8 value);
msi serialize(SerialWriter* writer, s16 value);
msi serialize(SerialWriter* writer, s32 value);
msi serialize(SerialWriter* writer, s64 value);
msi serialize(SerialWriter* writer, f32 value);
msi serialize(SerialWriter* writer, f64 value);
msi serialize(SerialWriter* writer, c8 value);
msi serialize(SerialWriter* writer, v2 value);
msi serialize(SerialWriter* writer, v3 value);
msi serialize(SerialWriter* writer, v4 value);
msi serialize(SerialWriter* writer, mat2 value);
msi serialize(SerialWriter* writer, mat3 value);
msi serialize(SerialWriter* writer, mat4 value);
msi serialize(SerialWriter* writer, Hash value);
// u64 length, then the bytes.
msi serialize(SerialWriter* writer, buffer value);
// The body options layout. Only Cuboid colliders can be stored: others are refused with a soft
// assertion and left out of the stored count.
msi serialize(SerialWriter* writer, BodyOpts* value);

// One struct record for the value at `data` (a struct or an enum of type `metaData`); returns
// the position after it.
msi serialize_Struct(SerialWriter* writer, void* data, MetaData* metaData);
// One member record of the struct at `data`.
msi serialize_StructMember(SerialWriter* writer, void* data, StructMemberMetaData* member);
// One entity record.
msi serialize_Entity(SerialWriter* writer, Entity* entity);

// The whole file image of a scene, in `store`; empty when the store ran out.
buffer serializeScene(Scene* scene, MemoryStore* store);

// Writes the scene to "<name>.vsf" under the asset directory: the image goes to "<name>.vsf.tmp"
// beside it, which then replaces the scene file in one atomic rename, so the scene file holds
// either its old bytes or the new ones whole, and no temporary file remains. False, with
// "Failed to save Scene!", when any step failed; the old file is then untouched.
b8 saveScene(Scene* scene);

// ---------------------------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------------------------

// A file image and the read position. Every read is bounded by the end of the record being read
// (`end`), which the caller has already checked to lie within the image.
struct SerialReader {
    buffer bytes;
    msi position;
    // The entity being read, named in the line that reports a damaged member, and the number of
    // such losses met in this file.
    string entityName;
    u32 losses;
};

// Each reads one value at the reader's position: false, with nothing read, when it does not fit
// before `end`.
b8 deserialize_u8(SerialReader* reader, msi end, u8* value);
b8 deserialize_u32(SerialReader* reader, msi end, u32* value);
b8 deserialize_u64(SerialReader* reader, msi end, u64* value);
// A u64 length and that many bytes, copied into a new block of `store`. The empty buffer when
// the length is 0 or the allocation fails; false when the bytes do not fit before `end`.
b8 deserialize_buffer(SerialReader* reader, msi end, MemoryStore* store, buffer* value);
// The body options layout that must fill [position, end) exactly, with its colliders in a new
// block of `store`. False, with `value` untouched and nothing taken from `store`, when the
// collider count does not match the bytes, a collider is not a Cuboid or the colliders cannot be
// allocated.
b8 deserialize_bodyOpts(SerialReader* reader, msi end, MemoryStore* store, BodyOpts* value);

// Reads the struct record at the reader's position, which must end by `parentEnd`, into a new
// zeroed block of `store` (`out`, with its type record in `outMetaData`); `out` stays empty when
// the record is not usable. False when the record has no usable header, so that its own end is
// unknown: the caller goes on at its own end. Otherwise the position is the record's end.
b8 deserialize_Struct(SerialReader* reader, msi parentEnd, MemoryStore* store, buffer* out, MetaData** outMetaData);
// Reads one member record of the struct `metaData` at `data`, ending by `structEnd`. False when
// the record is broken (wrong tag, or an end outside the struct) or holds damaged body options,
// which spoils the whole struct. Any other damaged value is left zero and reported with a line
// naming the entity and the member.
b8 deserialize_StructMember(SerialReader* reader, msi structEnd, MetaData* metaData, u8* data, MemoryStore* store,
                            u32 depth);

enum class EntityReadResult : u32 {
    Read,      // a whole entity of an entity type
    Skipped,   // damaged inside: the position is the record's end
    Unreadable // no usable tag or end: the records after it cannot be found
};
// Reads one entity record ending by `fileEnd`; its name and data go to `heap`. `nameRead` is the
// name as stored in the file (empty when it could not be read).
EntityReadResult deserialize_Entity(SerialReader* reader, msi fileEnd, MemoryStore* heap, Entity* entity,
                                    string* nameRead);

// The bytes of the heap of the scene `name` of `count` entities read from `image`: enough for
// whatever the file's entities hold, so that every valid file loads whole.
msi sceneHeapSize(buffer image, u64 count, string name);

// How a scene file was read, for callers that tell the player or must not take part of a scene.
struct SceneLoadReport {
    // Why the load failed as a whole, else null: the text after "Failed to load Scene: " in its
    // console line ("File not found!", "File damaged!", ...).
    const c8* failure;
    // Records of the file that the load passed over, each reported on the console: entities left
    // out, members left zero, entities that repeat an earlier entity's name (left out: look-ups
    // could never reach them), and bytes past the counted entities (counted once).
    u32 damagedRecords;
};

// Reads the scene `name` of the file image `image` into `scene`, which it first sets to all zero;
// the scene's heap comes from `store`. Fails, with a message, when the image is unusable as a
// whole (wrong magic, an entity count that it cannot hold, no memory); a scene whose records are
// damaged loads the sound ones and reports the others, and a damaged entity leaves nothing in the
// scene heap, so loading stays linear in the image's size.
SceneLoadReport readSceneImage(Scene* scene, string name, buffer image, MemoryStore* store);
// Reads the scene `name` from its file, only whole: the name must not be empty and the file must
// be found and read. A file with a damaged record is no level (a floor, a cable link or a body
// would be missing): it is refused with "Failed to load Scene: File damaged!". On every failure
// `scene` is left all zero with nothing taken from `store`.
SceneLoadReport loadScene(Scene* scene, string name, MemoryStore* store);

// The whole file `index` of `files`, read into a new block of `store` (empty for an empty file).
// False when it cannot be read or the store cannot hold it.
b8 readWholeFile(PlatformFileList files, u32 index, MemoryStore* store, buffer* image);

} // namespace ve
