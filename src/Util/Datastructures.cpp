#include "Util/Datastructures.h"

#include "Math/integerMath.h"

namespace ve {

// ---------------------------------------------------------------------------------------------
// Dynamic array
// ---------------------------------------------------------------------------------------------

DynArray createDynArray(msi typeSize, msi initLength, MemoryStore* store) {
    DynArray array = {};
    array.buf = createBuffer(typeSize * initLength, store);
    // An allocation the store could not serve leaves an array without room, so the first push
    // grows it instead of writing through null.
    array.capacity = array.buf.data ? initLength : 0;
    array.entrySize = typeSize;
    array.store = store;
    return array;
}

void* push(DynArray* array, void* entry) {
    VE_ASSERT_NOT_NULL(array);
    if (array->length >= array->capacity) {
        msi grown = array->capacity ? array->capacity * 2 : 1;
        if (!resizeArray(array, grown)) return nullptr;
    }
    u8* slot = array->buf.data + array->length * array->entrySize;
    if (entry) copyBuffer({array->entrySize, (u8*)entry}, {array->entrySize, slot});
    array->length += 1;
    return slot;
}

b8 resizeArray(DynArray* array, msi newLength) {
    if (newLength == 0) {
        freeArray(array);
        return true;
    }
    // Never below the contents; and a byte count that would wrap is no length at all.
    if (newLength <= array->length) return false;
    if (array->entrySize && newLength > ~(msi)0 / array->entrySize) return false;
    if (!resizeBuffer(array->store, &array->buf, newLength * array->entrySize)) return false;
    array->capacity = newLength;
    array->length = min(array->length, newLength);
    return true;
}

void removeEntry(DynArray* array, msi index) {
    msi size = array->entrySize;
    // One forward copy shifts every later entry down one place.
    copyBuffer(array->buf, array->buf, (index + 1) * size, index * size, (array->length - index - 1) * size);
    array->length -= 1;
}

void freeArray(DynArray* array) {
    if (array->capacity != 0) freeBuffer(&array->buf, array->store);
    array->capacity = 0;
    array->length = 0;
}

msi getCurrentSizeInBytes(DynArray* array) {
    return array->length * array->entrySize;
}

// ---------------------------------------------------------------------------------------------
// Chunk store
// ---------------------------------------------------------------------------------------------

ChunkStore createChunkStore(msi entrySize, msi numEntriesPerChunk, MemoryStore* store) {
    ChunkStore cs = {};
    cs.store = store;
    cs.chunkLocations = createDynArray(sizeof(buffer), 0, store);
    cs.entrySize = entrySize;
    cs.numEntriesPerChunk = numEntriesPerChunk;
    return cs;
}

void* push(ChunkStore* cs, void* entry) {
    msi chunk = cs->length / cs->numEntriesPerChunk;
    msi slot = cs->length % cs->numEntriesPerChunk;
    if (cs->chunkLocations.length <= chunk) {
        // Only the list of chunks moves when it grows; the chunks stay where they are.
        buffer fresh = createBuffer(cs->entrySize * cs->numEntriesPerChunk, cs->store);
        if (!fresh.data) return nullptr;
        if (!push(&cs->chunkLocations, &fresh)) {
            freeBuffer(&fresh, cs->store);
            return nullptr;
        }
    }
    u8* at = ((buffer*)cs->chunkLocations[chunk])->data + slot * cs->entrySize;
    copyBuffer({cs->entrySize, (u8*)entry}, {cs->entrySize, at});
    cs->length += 1;
    return at;
}

// ---------------------------------------------------------------------------------------------
// Hash table
// ---------------------------------------------------------------------------------------------
// Double hashing: probe 0 lands on (lo + hi) * prime1 mod length, every further probe moves on by
// a step that is coprime with the length. Such a sequence visits every slot exactly once in
// `length` probes, so an insert finds a free slot whenever one exists, and insert and lookup walk
// the same sequence with the same bound.

namespace detail {

struct TableProbe {
    u64 start;
    u64 step;
};

static u64 greatestCommonDivisor(u64 a, u64 b) {
    while (b != 0) {
        u64 rest = a % b;
        a = b;
        b = rest;
    }
    return a;
}

static TableProbe beginTableProbe(Hash key, u32 prime1, u32 prime2, msi tblLength) {
    u64 h = key.lo + key.hi;
    u64 step = (h * prime2 + 1) % tblLength;
    if (step == 0) step = 1;
    // Terminates at tblLength - 1 at the latest, which is coprime with tblLength.
    while (greatestCommonDivisor(step, tblLength) != 1) ++step;
    return {(h * prime1) % tblLength, step};
}

// The first slot on the key's sequence that is free or holds the key; tbl->length when the
// sequence holds neither (a full table without the key).
static msi findTableSlot(Hash key, Table* tbl) {
    if (tbl->length == 0) return 0;
    TableProbe probe = beginTableProbe(key, 97, 71, tbl->length);
    u64 position = probe.start;
    for (msi iter = 0; iter < tbl->length; ++iter) {
        Table::TableEntry* entry = &tbl->entries[position];
        if (!entry->used || entry->key == key) return position;
        position += probe.step;
        if (position >= tbl->length) position -= tbl->length;
    }
    return tbl->length;
}

} // namespace detail

u64 hashU64(Hash key, u32 prime1, u32 prime2, u32 iter, msi tblLength) {
    detail::TableProbe probe = detail::beginTableProbe(key, prime1, prime2, tblLength);
    return (u64)((probe.start + (unsigned __int128)iter * probe.step) % tblLength);
}

Table createTbl(msi typeSize, msi len, MemoryStore* store) {
    VE_ASSERT_NOT_NULL(store);
    Table tbl = {};
    tbl.values = pushToHeap(store, typeSize * len);
    tbl.entries = (Table::TableEntry*)pushToHeap(store, len * sizeof(Table::TableEntry));
    if (!tbl.values || !tbl.entries) {
        // The store has reported the shortage; a table without slots refuses every insert.
        freeFromHeap(store, tbl.values);
        freeFromHeap(store, tbl.entries);
        return {};
    }
    zeroSize(typeSize * len, tbl.values);
    zeroSize(len * sizeof(Table::TableEntry), tbl.entries);
    tbl.typeSize = typeSize;
    tbl.length = len;
    return tbl;
}

void* createNewTblEntry(Hash key, Table* tbl) {
    VE_ASSERT(tbl->length > tbl->currentEntries);
    msi slot = detail::findTableSlot(key, tbl);
    void* result = slot < tbl->length ? (u8*)tbl->values + slot * tbl->typeSize : nullptr;
    VE_ASSERT_NOT_NULL(result);
    Table::TableEntry* entry = &tbl->entries[slot];
    if (!entry->used) {
        entry->used = true;
        entry->key = key;
        tbl->currentEntries += 1;
    }
    return result;
}

void* getTblEntry(Hash key, Table* tbl) {
    msi slot = detail::findTableSlot(key, tbl);
    if (slot >= tbl->length || !tbl->entries[slot].used) return nullptr;
    return (u8*)tbl->values + slot * tbl->typeSize;
}

} // namespace ve
