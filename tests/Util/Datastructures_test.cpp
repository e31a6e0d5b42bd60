#include "Util/Datastructures.h"

#include <gtest/gtest.h>

#include <string.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct Arena {
    std::vector<u8> bytes;
    ve::MemoryStore store;
    explicit Arena(msi size) : bytes(size + 16) {
        u8* aligned = (u8*)(((uintptr_t)bytes.data() + 15) & ~(uintptr_t)15);
        store = ve::createHeapStore({size, aligned});
    }
};

ve::Hash keyOf(u64 lo, u64 hi) {
    ve::Hash h;
    h.lo = lo;
    h.hi = hi;
    return h;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// DynArray
// ---------------------------------------------------------------------------------------------

TEST(DynArray, EmptyArrayGrowsToOneTwoFourEight) {
    Arena a(4096);
    ve::DynArray array = ve::createDynArray(sizeof(u32), 0, &a.store);
    EXPECT_EQ(array.capacity, 0u);
    const msi expectedCapacity[] = {1, 2, 4, 4, 8, 8, 8, 8, 16};
    for (u32 i = 0; i < 9; ++i) {
        u32* slot = (u32*)ve::push(&array, &i);
        ASSERT_NE(slot, nullptr);
        EXPECT_EQ(*slot, i);
        EXPECT_EQ(array.capacity, expectedCapacity[i]) << "push " << i + 1;
        EXPECT_EQ(array.length, i + 1);
    }
    for (u32 i = 0; i < 9; ++i) EXPECT_EQ(*(u32*)array[i], i);
    EXPECT_EQ(ve::getCurrentSizeInBytes(&array), 9 * sizeof(u32));
}

TEST(DynArray, KeepsItsFirstBlockUntilTheSeventeenthPush) {
    Arena a(4096);
    ve::DynArray array = ve::createDynArray(sizeof(u64), 16, &a.store);
    u8* first = array.buf.data;
    for (u64 i = 0; i < 16; ++i) ve::push(&array, &i);
    EXPECT_EQ(array.buf.data, first);
    u64 seventeenth = 16;
    ve::push(&array, &seventeenth);
    EXPECT_NE(array.buf.data, first);
    EXPECT_EQ(array.capacity, 32u);
    for (u64 i = 0; i < 17; ++i) EXPECT_EQ(*(u64*)array[i], i);
}

TEST(DynArray, PushWithoutEntryHandsOutTheSlotAndCountsIt) {
    Arena a(4096);
    ve::DynArray array = ve::createDynArray(sizeof(u32), 4, &a.store);
    memset(array.buf.data, 0xAB, array.buf.length);
    u32* slot = (u32*)ve::push(&array, nullptr);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(*slot, 0xABABABABu);
    EXPECT_EQ(array.length, 1u);
}

TEST(DynArray, ResizeNeverShrinksBelowTheContentsAndZeroEmpties) {
    Arena a(4096);
    ve::DynArray array = ve::createDynArray(sizeof(u32), 0, &a.store);
    for (u32 i = 0; i < 5; ++i) ve::push(&array, &i);
    u8* data = array.buf.data;
    EXPECT_FALSE(ve::resizeArray(&array, 5));
    EXPECT_FALSE(ve::resizeArray(&array, 3));
    EXPECT_EQ(array.buf.data, data);
    EXPECT_EQ(array.length, 5u);
    EXPECT_TRUE(ve::resizeArray(&array, 0));
    EXPECT_EQ(array.length, 0u);
    EXPECT_EQ(array.capacity, 0u);
    EXPECT_EQ(u64(a.store.firstFreeBlock->size), 4096u);
    u32 again = 42;
    EXPECT_EQ(*(u32*)ve::push(&array, &again), 42u); // entry size and store survive
}

TEST(DynArray, RemoveEntryShiftsTheRestDownInOrder) {
    Arena a(4096);
    ve::DynArray array = ve::createDynArray(sizeof(u32), 0, &a.store);
    for (u32 i = 10; i < 13; ++i) ve::push(&array, &i);
    ve::removeEntry(&array, 0);
    ASSERT_EQ(array.length, 2u);
    EXPECT_EQ(*(u32*)array[0], 11u);
    EXPECT_EQ(*(u32*)array[1], 12u);
    ve::removeEntry(&array, 1);
    EXPECT_EQ(array.length, 1u);
    EXPECT_EQ(*(u32*)array[0], 11u);
}

TEST(DynArray, FailedGrowthReturnsNullAndKeepsTheEntries) {
    Arena a(256);
    ve::DynArray array = ve::createDynArray(32, 4, &a.store);
    for (int i = 0; i < 4; ++i) {
        u8 entry[32];
        memset(entry, i, sizeof(entry));
        ASSERT_NE(ve::push(&array, entry), nullptr);
    }
    u8* data = array.buf.data;
    u8 entry[32] = {};
    testing::internal::CaptureStderr();
    EXPECT_EQ(ve::push(&array, entry), nullptr); // 8 x 32 bytes do not fit beside the old block
    EXPECT_NE(testing::internal::GetCapturedStderr().find("No Memory Available!"), std::string::npos);
    EXPECT_EQ(array.length, 4u);
    EXPECT_EQ(array.capacity, 4u);
    EXPECT_EQ(array.buf.data, data);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(((u8*)array[i])[31], i);
}

TEST(DynArray, ArrayWhoseFirstBlockFailedHasNoRoom) {
    Arena a(128);
    testing::internal::CaptureStderr();
    ve::DynArray array = ve::createDynArray(64, 4, &a.store);
    u8 entry[64] = {};
    void* slot = ve::push(&array, entry);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(array.capacity, 1u);
    EXPECT_NE(slot, nullptr);
}

TEST(DynArrayDeathTest, PushOntoNoArrayStops) {
    ve::DynArray* array = nullptr;
    EXPECT_DEATH(ve::push(array, nullptr), ">: NOT NULL: array\n");
}

// ---------------------------------------------------------------------------------------------
// ChunkStore
// ---------------------------------------------------------------------------------------------

TEST(ChunkStore, SecondChunkOnTheHundredAndFirstPushAndEntriesNeverMove) {
    Arena a(64 * 1024);
    ve::ChunkStore cs = ve::createChunkStore(sizeof(u64), 100, &a.store);
    EXPECT_EQ(cs.chunkLocations.length, 0u);
    std::vector<u64*> addresses;
    for (u64 i = 0; i < 350; ++i) {
        u64* slot = (u64*)ve::push(&cs, &i);
        ASSERT_NE(slot, nullptr);
        addresses.push_back(slot);
        if (i == 99) {
            EXPECT_EQ(cs.chunkLocations.length, 1u);
        }
        if (i == 100) {
            EXPECT_EQ(cs.chunkLocations.length, 2u);
        }
    }
    EXPECT_EQ(cs.length, 350u);
    EXPECT_EQ(cs.chunkLocations.length, 4u);
    for (u64 i = 0; i < 350; ++i) {
        EXPECT_EQ(cs[i], addresses[i]);
        EXPECT_EQ(*addresses[i], i);
    }
}

TEST(ChunkStore, PushFailsCleanlyWhenNoChunkCanBeHad) {
    Arena a(256);
    ve::ChunkStore cs = ve::createChunkStore(64, 4, &a.store);
    u8 entry[64] = {};
    testing::internal::CaptureStderr();
    EXPECT_EQ(ve::push(&cs, entry), nullptr);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(cs.length, 0u);
    EXPECT_EQ(cs.chunkLocations.length, 0u);
}

// ---------------------------------------------------------------------------------------------
// Table
// ---------------------------------------------------------------------------------------------

TEST(Table, SameKeyTwiceGivesTheSameSlotAndCountsOnce) {
    Arena a(64 * 1024);
    ve::Table tbl = ve::createTbl(sizeof(u64), 50, &a.store);
    ve::Hash key = ve::hashASCIIZ("Cube");
    u64* first = (u64*)ve::createNewTblEntry(key, &tbl);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(*first, 0u); // new tables are zeroed
    *first = 77;
    u64* second = (u64*)ve::createNewTblEntry(key, &tbl);
    EXPECT_EQ(first, second);
    EXPECT_EQ(*second, 77u);
    EXPECT_EQ(tbl.currentEntries, 1u);
    EXPECT_EQ(ve::getTblEntry(key, &tbl), first);
}

TEST(Table, LookupOfAMissingKeyIsNull) {
    Arena a(64 * 1024);
    ve::Table tbl = ve::createTbl(sizeof(u64), 50, &a.store);
    EXPECT_EQ(ve::getTblEntry(ve::hashASCIIZ("nothing"), &tbl), nullptr);
    ve::createNewTblEntry(ve::hashASCIIZ("something"), &tbl);
    EXPECT_EQ(ve::getTblEntry(ve::hashASCIIZ("nothing"), &tbl), nullptr);
}

TEST(Table, FiftyRandomKeysFillFiftySlotsAndAreAllFoundAgain) {
    for (u32 seed = 0; seed < 500; ++seed) {
        Arena a(16 * 1024);
        ve::Table tbl = ve::createTbl(sizeof(u64), 50, &a.store);
        std::mt19937_64 random(seed);
        std::vector<ve::Hash> keys;
        for (u64 i = 0; i < 50; ++i) {
            ve::Hash key = keyOf(random(), random());
            keys.push_back(key);
            u64* value = (u64*)ve::createNewTblEntry(key, &tbl);
            ASSERT_NE(value, nullptr);
            *value = i;
        }
        ASSERT_EQ(tbl.currentEntries, 50u);
        for (u64 i = 0; i < 50; ++i) {
            u64* value = (u64*)ve::getTblEntry(keys[i], &tbl);
            ASSERT_NE(value, nullptr) << "seed " << seed << " key " << i;
            EXPECT_EQ(*value, i);
        }
    }
}

TEST(TableDeathTest, FiftyFirstInsertStopsWithTheFullTableAssertion) {
    Arena a(16 * 1024);
    ve::Table tbl = ve::createTbl(sizeof(u64), 50, &a.store);
    for (u64 i = 0; i < 50; ++i) ve::createNewTblEntry(keyOf(i * 0x9E3779B97F4A7C15ull, i), &tbl);
    ve::Hash present = keyOf(0, 0);
    EXPECT_DEATH(ve::createNewTblEntry(keyOf(12345, 678), &tbl), ">: tbl->length > tbl->currentEntries\n");
    EXPECT_DEATH(ve::createNewTblEntry(present, &tbl), ">: tbl->length > tbl->currentEntries\n");
}

TEST(TableDeathTest, NoStoreStops) {
    ve::MemoryStore* store = nullptr;
    EXPECT_DEATH(ve::createTbl(8, 10, store), ">: NOT NULL: store\n");
}

TEST(Table, ProbeSequenceVisitsEverySlotOnceForEveryLength) {
    std::mt19937_64 random(7);
    for (msi length = 1; length <= 130; ++length) {
        for (int sample = 0; sample < 20; ++sample) {
            ve::Hash key = keyOf(random(), random());
            std::vector<b8> seen(length, false);
            for (u32 iter = 0; iter < length; ++iter) {
                u64 slot = ve::hashU64(key, 97, 71, iter, length);
                ASSERT_LT(slot, length);
                ASSERT_FALSE(seen[slot]) << "length " << length << " repeats slot " << slot << " at probe " << iter;
                seen[slot] = true;
            }
            // The first probe is the key's start position (lo + hi) * 97 mod length.
            EXPECT_EQ(ve::hashU64(key, 97, 71, 0, length), ((key.lo + key.hi) * 97) % length);
            // Beyond `length` probes the sequence starts over.
            EXPECT_EQ(ve::hashU64(key, 97, 71, (u32)length, length), ve::hashU64(key, 97, 71, 0, length));
        }
    }
}

TEST(Table, EveryKeySitsOnItsProbeSequenceBehindOnlyUsedSlots) {
    // The generated introspection table is laid out by this rule, so a table built by inserting
    // keys one after another must obey it for every key, whatever the table's fill.
    std::mt19937_64 random(11);
    for (msi length = 1; length <= 100; ++length) {
        Arena a(64 * 1024);
        ve::Table tbl = ve::createTbl(sizeof(u32), length, &a.store);
        std::vector<ve::Hash> keys;
        for (msi i = 0; i < length; ++i) {
            ve::Hash key = keyOf(random(), random() & 0xFF); // crowded keys: many shared starts
            keys.push_back(key);
            u8* value = (u8*)ve::createNewTblEntry(key, &tbl);
            ASSERT_NE(value, nullptr);
            msi slot = (msi)(value - (u8*)tbl.values) / sizeof(u32);
            u32 iter = 0;
            while (ve::hashU64(key, 97, 71, iter, length) != slot) {
                ASSERT_TRUE(tbl.entries[ve::hashU64(key, 97, 71, iter, length)].used);
                ASSERT_LT(++iter, length);
            }
            EXPECT_TRUE(tbl.entries[slot].key == key);
        }
        EXPECT_EQ(tbl.currentEntries, length);
        for (const ve::Hash& key : keys) ASSERT_NE(ve::getTblEntry(key, &tbl), nullptr) << "length " << length;
    }
}

TEST(Table, EmptyTableOfNoSlotsFindsNothing) {
    Arena a(4096);
    ve::Table tbl = ve::createTbl(sizeof(u32), 0, &a.store);
    EXPECT_EQ(ve::getTblEntry(ve::hashASCIIZ("x"), &tbl), nullptr);
}

TEST(Table, TableThatCouldNotBeAllocatedHasNoSlots) {
    Arena a(256);
    testing::internal::CaptureStderr();
    ve::Table tbl = ve::createTbl(64, 100, &a.store);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(tbl.length, 0u);
    EXPECT_EQ(ve::getTblEntry(ve::hashASCIIZ("x"), &tbl), nullptr);
    EXPECT_EQ(u64(a.store.firstFreeBlock->size), 256u); // nothing kept
}

TEST(TableAccessor, TellsWhetherTheKeyIsPresent) {
    Arena a(16 * 1024);
    ve::Table tbl = ve::createTbl(sizeof(u64), 11, &a.store);
    ve::createNewTblEntry(ve::hashASCIIZ("::ve::v3"), &tbl);
    ve::TableAccessor present = {&tbl, ve::hashASCIIZ("::ve::v3")};
    ve::TableAccessor absent = {&tbl, ve::hashASCIIZ("::ve::v4")};
    EXPECT_TRUE((bool)present);
    EXPECT_FALSE(!present);
    EXPECT_FALSE((bool)absent);
    EXPECT_TRUE(!absent);
}
