#pragma once
// Look-ups in the generated introspection table.

#include "Meta/introspectionDef.h"

namespace ve {

struct Table;

// The generated table: 97 slots of `MetaData`, keyed by the lane hash of each record's `name`.
extern Table metaDataTable;

// The record whose name is `typeName` ("::ve::EntityRef", leading "::" included); null when the
// table has none.
MetaData* findMetaData(string typeName);

// The first member, in member order, named exactly `name`; null when there is none or when the
// record is an enum.
StructMemberMetaData* findStructMemberMetaData(MetaData* metaData, string name);

// Reads an enum value of the width of the record's `enumValueType`: unsigned types are widened
// with zeros, signed ones and c8 with their sign.
u64 getEnumValueCastedToU64(void* enumPtr, MetaData* metaData);
// Stores the low 1, 2, 4 or 8 bytes of `value`, by the record's `enumValueType`.
void setEnumValueCastedFromU64(void* enumPtr, MetaData* metaData, u64 value);

} // namespace ve
