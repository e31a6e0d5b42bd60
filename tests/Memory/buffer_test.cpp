#include "Memory/memory.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

namespace {

struct Arena {
    alignas(16) u8 bytes[2048];
    ve::MemoryStore store = ve::createHeapStore({sizeof(bytes), bytes});
};

buffer bufferOf(char* text) {
    return {strlen(text), (u8*)text};
}

} // namespace

TEST(Buffer, CreateAndFree) {
    Arena a;
    buffer b = ve::createBuffer(100, &a.store);
    EXPECT_EQ(b.length, 100u);
    ASSERT_NE(b.data, nullptr);
    EXPECT_TRUE(ve::ptrInBuffer(a.store.buf, b.data));
    ve::freeBuffer(&b, &a.store);
    EXPECT_EQ(b.length, 0u);
    EXPECT_EQ(b.data, nullptr);
    EXPECT_EQ(u64(a.store.firstFreeBlock->size), sizeof(a.bytes));

    buffer empty = ve::createBuffer(0, &a.store);
    EXPECT_EQ(empty.length, 0u);
    EXPECT_EQ(empty.data, nullptr);
}

TEST(Buffer, CreateReturnsTheEmptyBufferWhenTheStoreIsExhausted) {
    Arena a;
    testing::internal::CaptureStderr();
    buffer b = ve::createBuffer(4096, &a.store);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("No Memory Available!"), std::string::npos);
    EXPECT_EQ(b.length, 0u);
    EXPECT_EQ(b.data, nullptr);
}

TEST(Buffer, FreeingABufferOfAnotherStoreChangesNothing) {
    Arena a, other;
    buffer foreign = ve::createBuffer(64, &other.store);
    buffer before = foreign;
    u64 freeBefore = a.store.firstFreeBlock->size;
    ve::freeBuffer(&foreign, &a.store);
    EXPECT_EQ(foreign.data, before.data);
    EXPECT_EQ(foreign.length, before.length);
    EXPECT_EQ(u64(a.store.firstFreeBlock->size), freeBefore);
    EXPECT_EQ(u64(other.store.firstFreeBlock->size), sizeof(other.bytes) - 95);

    buffer empty = {};
    ve::freeBuffer(&empty, &a.store);
    EXPECT_EQ(empty.data, nullptr);
    ve::freeBuffer(nullptr, &a.store);
}

TEST(Buffer, CopyChecksRoomAndLeavesTheDestinationAloneWhenItFails) {
    char source[] = "abcdefgh";
    char target[] = "0123";
    EXPECT_FALSE(ve::copyBuffer(bufferOf(source), bufferOf(target)));
    EXPECT_STREQ(target, "0123");
    EXPECT_TRUE(ve::copyBuffer({3, (u8*)source}, bufferOf(target)));
    EXPECT_STREQ(target, "abc3");

    // Four arguments: a slice of the source.
    char wide[] = "........";
    EXPECT_TRUE(ve::copyBuffer(bufferOf(source), bufferOf(wide), 5, 3));
    EXPECT_STREQ(wide, "fgh.....");
    EXPECT_FALSE(ve::copyBuffer(bufferOf(source), bufferOf(wide), 6, 3));
    EXPECT_FALSE(ve::copyBuffer(bufferOf(source), bufferOf(wide), ~(msi)0, 2)); // start + length wraps
}

TEST(Buffer, FiveArgumentCopyRejectsAWriteOneByteBeyondTheEndWhateverTheReadStart) {
    char source[] = "abcdefgh";
    for (msi startRead = 0; startRead < 6; ++startRead) {
        char target[] = "0123";
        EXPECT_FALSE(ve::copyBuffer(bufferOf(source), bufferOf(target), startRead, 2, 3)) << startRead;
        EXPECT_STREQ(target, "0123");
    }
    char target[] = "0123";
    EXPECT_TRUE(ve::copyBuffer(bufferOf(source), bufferOf(target), 5, 1, 3));
    EXPECT_STREQ(target, "0fgh");
    EXPECT_FALSE(ve::copyBuffer(bufferOf(source), bufferOf(target), 6, 0, 3)); // read past the source
    EXPECT_FALSE(ve::copyBuffer(bufferOf(source), bufferOf(target), 0, ~(msi)0, 2)); // wraps
}

TEST(Buffer, CopyToALowerAddressInTheSameMemoryShiftsEntriesDown) {
    char text[] = "abcdefghijklmnopqrstuvwxyz";
    buffer whole = bufferOf(text);
    EXPECT_TRUE(ve::copyBuffer(whole, whole, 3, 0, 23));
    EXPECT_STREQ(text, "defghijklmnopqrstuvwxyzxyz");
}

TEST(Buffer, ZeroAndCompare) {
    char a[] = "same bytes here!";
    char b[] = "same bytes here!";
    char c[] = "same bytes hare!";
    EXPECT_TRUE(ve::cmpBuffer(bufferOf(a), bufferOf(b)));
    EXPECT_FALSE(ve::cmpBuffer(bufferOf(a), bufferOf(c)));
    EXPECT_FALSE(ve::cmpBuffer(bufferOf(a), {5, (u8*)a}));
    EXPECT_TRUE(ve::cmpBuffer({}, {}));
    EXPECT_TRUE(ve::cmpBuffer({0, (u8*)a}, {0, (u8*)c}));
    ve::zeroBuffer({4, (u8*)a});
    EXPECT_EQ(memcmp(a, "\0\0\0\0 bytes", 10), 0);
    ve::zeroSize(3, c + 13);
    EXPECT_EQ(memcmp(c + 11, "ha\0\0\0", 6), 0);
}

TEST(Buffer, PointerInBufferIsHalfOpen) {
    u8 bytes[12];
    buffer b = {10, bytes + 1};
    EXPECT_TRUE(ve::ptrInBuffer(b, bytes + 1));
    EXPECT_TRUE(ve::ptrInBuffer(b, bytes + 10));
    EXPECT_FALSE(ve::ptrInBuffer(b, bytes + 11));
    EXPECT_FALSE(ve::ptrInBuffer(b, bytes));
    EXPECT_FALSE(ve::ptrInBuffer({}, bytes));
}

TEST(Buffer, ResizeMovesTheContentsAndKeepsThePrefix) {
    Arena a;
    buffer b = ve::createBuffer(8, &a.store);
    memcpy(b.data, "12345678", 8);
    u8* old = b.data;
    ASSERT_TRUE(ve::resizeBuffer(&a.store, &b, 32));
    EXPECT_EQ(b.length, 32u);
    EXPECT_NE(b.data, old);
    EXPECT_EQ(memcmp(b.data, "12345678", 8), 0);
    ASSERT_TRUE(ve::resizeBuffer(&a.store, &b, 3));
    EXPECT_EQ(b.length, 3u);
    EXPECT_EQ(memcmp(b.data, "123", 3), 0);
    ASSERT_TRUE(ve::resizeBuffer(&a.store, &b, 0));
    EXPECT_EQ(b.length, 0u);
    EXPECT_EQ(b.data, nullptr);
    EXPECT_EQ(u64(a.store.firstFreeBlock->size), sizeof(a.bytes));
}

TEST(Buffer, FailedResizeKeepsTheOldBufferUntouched) {
    Arena a;
    buffer b = ve::createBuffer(16, &a.store);
    memcpy(b.data, "keep these bytes", 16);
    buffer before = b;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ve::resizeBuffer(&a.store, &b, 4096));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("No Memory Available!"), std::string::npos);
    EXPECT_EQ(b.data, before.data);
    EXPECT_EQ(b.length, before.length);
    EXPECT_EQ(memcmp(b.data, "keep these bytes", 16), 0);
    // Still allocated: the store can free it.
    ve::freeBuffer(&b, &a.store);
    EXPECT_EQ(b.data, nullptr);
}
