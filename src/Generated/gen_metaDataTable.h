#pragma once
// The generated introspection data. The definitions are written at build time by tools/metagen
// from the declarations of the types listed in Meta/introspected_types.txt (into the build
// directory's Generated/gen_metaDataTable.cpp); the program only reads them.

#include "Meta/introspectionDef.h"
#include "Util/Datastructures.h"

namespace ve::gen {

constexpr msi metaDataTableSlots = 97;

// The table's slot arrays: `metaDataTable` (Meta/introspection.h) is the table over them. Each
// record stands in a slot of its key's probe sequence, as inserting them one by one leaves them.
extern MetaData __gen_metaDataValues[metaDataTableSlots];
extern Table::TableEntry __gen_metaDataEntries[metaDataTableSlots];

} // namespace ve::gen
