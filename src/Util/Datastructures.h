#pragma once
// Untyped containers living in a MemoryStore; entries are raw bytes of a size fixed at creation.
//   DynArray:   growable array; entries move when it grows.
//   ChunkStore: array of fixed-size chunks; an entry never moves once written.
//   Table:      open-addressing hash table keyed by a Hash, fixed slot count, no removal.

#include "Math/utilMath.h"
#include "Memory/memory.h"

namespace ve {

struct DynArray {
    buffer buf;         // capacity * entrySize bytes from store
    msi capacity;       // entries the buffer can hold
    msi entrySize;      // bytes per entry
    msi length;         // entries in use
    MemoryStore* store; // where buf comes from and goes back to

    // No bounds check. Valid only until the next push that grows the array.
    void* operator[](msi index) { return buf.data + index * entrySize; }
};

struct ChunkStore {
    MemoryStore* store;
    DynArray chunkLocations; // one buffer per chunk, in order
    msi entrySize;
    msi numEntriesPerChunk;
    msi length; // entries written

    // No bounds check. Stays valid for the life of the store.
    void* operator[](msi index) {
        buffer* chunk = (buffer*)chunkLocations[index / numEntriesPerChunk];
        return chunk->data + (index % numEntriesPerChunk) * entrySize;
    }
};

struct Table {
    struct TableEntry {
        Hash key;
        b8 used;
    };

    TableEntry* entries; // length key slots
    void* values;        // length value slots of typeSize bytes, in the order of entries
    msi typeSize;
    msi length;
    msi currentEntries;
};

DynArray createDynArray(msi typeSize, msi initLength, MemoryStore* store);
void* push(DynArray* array, void* entry);
b8 resizeArray(DynArray* array, msi newLength);
void removeEntry(DynArray* array, msi index);
void freeArray(DynArray* array);
msi getCurrentSizeInBytes(DynArray* array);

ChunkStore createChunkStore(msi entrySize, msi numEntriesPerChunk, MemoryStore* store);
void* push(ChunkStore* cs, void* entry);

Table createTbl(msi typeSize, msi len, MemoryStore* store);
void* createNewTblEntry(Hash key, Table* tbl);
void* getTblEntry(Hash key, Table* tbl);
u64 hashU64(Hash key, u32 prime1, u32 prime2, u32 iter, msi tblLength);

// A key bound to a table: true when the table holds the key.
struct TableAccessor {
    Table* tbl;
    Hash key;

    explicit operator bool() const { return getTblEntry(key, tbl) != nullptr; }
    bool operator!() const { return getTblEntry(key, tbl) == nullptr; }
};

} // namespace ve
