#include "Math/Hash/lane_hash.h"
#include "Math/utilMath.h"

#include <gtest/gtest.h>

#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The 16 result bytes in memory order, as lowercase hex.
std::string hexOf(ve::Hash hash) {
    u8 bytes[16];
    memcpy(bytes, &hash, 16);
    std::string text;
    static const char digits[] = "0123456789abcdef";
    for (u8 byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

std::vector<u8> countingBytes(size_t length) {
    std::vector<u8> bytes(length);
    for (size_t i = 0; i < length; ++i) bytes[i] = (u8)i;
    return bytes;
}

ve::Hash hashBytes(const u8* data, size_t length) {
    return ve::hashBuffer({length, (u8*)data});
}

// The algorithm written out plainly: every 16-byte unit is taken from a local copy, so no trick
// of the fast path is shared with it.
ve::Hash referenceLaneHash(const u8* data, u64 length) {
    __m128i lanes[4];
    for (int lane = 0; lane < 4; ++lane) {
        u8 start[16];
        for (int k = 0; k < 16; ++k) start[k] = (u8)(16 * lane + k);
        memcpy(&lanes[lane], start, 16);
    }
    auto unitAt = [&](u64 offset, u64 count) {
        u8 block[16] = {};
        memcpy(block, data + offset, count);
        __m128i unit;
        memcpy(&unit, block, 16);
        return unit;
    };
    u64 offset = 0;
    for (; offset + 64 <= length; offset += 64)
        for (int lane = 0; lane < 4; ++lane) lanes[lane] = _mm_aesdec_si128(lanes[lane], unitAt(offset + 16 * lane, 16));
    u64 rest = length - offset;
    u64 chunks = rest / 16;
    u64 tail = rest % 16;
    if (tail) {
        // The tail as the algorithm defines it: a 16-byte read masked by LaneMaskLen from
        // offset 16 - r (read here from a zero-padded copy, so the mask is what clears the rest).
        u8 padded[32];
        memset(padded, 0xEE, sizeof(padded));
        memcpy(padded, data + offset + 16 * chunks, tail);
        __m128i unit = _mm_loadu_si128((const __m128i*)padded);
        __m128i mask = _mm_loadu_si128((const __m128i*)(LaneMaskLen + 16 - tail));
        lanes[3] = _mm_aesdec_si128(lanes[3], _mm_and_si128(unit, mask));
    }
    for (u64 chunk = 0; chunk < chunks; ++chunk)
        lanes[chunk] = _mm_aesdec_si128(lanes[chunk], unitAt(offset + 16 * chunk, 16));

    u64 mixerWords[2] = {0 - length, length + 1};
    __m128i mixer;
    memcpy(&mixer, mixerWords, 16);
    for (int lane = 3; lane >= 0; --lane) lanes[lane] = _mm_aesdec_si128(lanes[lane], mixer);
    __m128i a = _mm_aesdec_si128(_mm_aesdec_si128(lanes[2], lanes[3]), mixer);
    __m128i b = _mm_aesdec_si128(lanes[0], lanes[1]);
    ve::Hash result;
    result.h = _mm_aesdec_si128(_mm_aesdec_si128(b, a), mixer);
    return result;
}

} // namespace

TEST(LaneHash, KnownVectorsForEveryPathOfTheAlgorithm) {
    struct Case {
        std::vector<u8> input;
        const char* expected;
    };
    const Case cases[] = {
        {{}, "c0da500e78873de911d1716d965c53fd"},
        {{'a', 'b', 'c'}, "9b12079e71d6c6f4e63b7e388ba442aa"},
        {countingBytes(48), "fb44011a08bbe7cca0edfa49d7fa3739"},
        {countingBytes(64), "65894db736bd54ce7e0ef8d8d5e4a08c"},
        {countingBytes(100), "c0a73764cb9aa382a53bb0f732f86207"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hexOf(hashBytes(c.input.data(), c.input.size())), c.expected) << "length " << c.input.size();
        EXPECT_EQ(hexOf(referenceLaneHash(c.input.data(), c.input.size())), c.expected) << "reference, length " << c.input.size();
    }
}

TEST(LaneHash, TablesHoldTheirDefinedBytes) {
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(LaneMaskLen[i], i < 16 ? 0xFF : 0x00) << i;
        EXPECT_EQ(LaneShiftAdjust[i], i < 16 ? i : (i < 31 ? 0x80 : 0x00)) << i;
    }
}

TEST(LaneHash, HalvesAreTheLittleEndianWordsOfTheResult) {
    ve::Hash empty = ve::hashBuffer({});
    EXPECT_EQ(empty.lo, 0xe93d87780e50dac0ull);
    EXPECT_EQ(empty.hi, 0xfd535c966d71d111ull);
    ve::Hash abc = ve::hashASCIIZ("abc");
    EXPECT_EQ(abc.lo, 0xf4c6d6719e07129bull);
    EXPECT_EQ(abc.hi, 0xaa42a48b387e3be6ull);
}

TEST(LaneHash, EveryLengthAtEveryAlignmentMatchesThePlainReference) {
    for (u64 length = 0; length <= 300; ++length) {
        std::vector<u8> bytes(length);
        for (u64 i = 0; i < length; ++i) bytes[i] = (u8)(i * 131 + length);
        ve::Hash reference = referenceLaneHash(bytes.data(), length);
        for (u64 alignment = 0; alignment < 16; ++alignment) {
            // A block of exactly alignment + length bytes, so the input ends where the allocation
            // ends: under AddressSanitizer any read past the input is reported.
            std::vector<u8> exact(alignment + length);
            std::copy(bytes.begin(), bytes.end(), exact.begin() + alignment);
            ve::Hash fast = hashBytes(exact.data() + alignment, length);
            ASSERT_EQ(hexOf(fast), hexOf(reference)) << "length " << length << " alignment " << alignment;
        }
    }
}

TEST(LaneHash, InputEndingOnTheLastByteOfAPageBeforeAnInaccessiblePage) {
    long pageSize = sysconf(_SC_PAGESIZE);
    u8* pages = (u8*)mmap(nullptr, 2 * pageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(pages, MAP_FAILED);
    ASSERT_EQ(mprotect(pages + pageSize, pageSize, PROT_NONE), 0);
    u8* pageEnd = pages + pageSize;
    for (long i = 0; i < pageSize; ++i) pages[i] = (u8)(i ^ 0x5A);
    // Every tail length and every chunk count, ending exactly at the guard page.
    for (u64 length = 0; length <= 200; ++length) {
        u8* at = pageEnd - length;
        std::vector<u8> copy(at, at + length);
        EXPECT_EQ(hexOf(hashBytes(at, length)), hexOf(referenceLaneHash(copy.data(), length))) << "length " << length;
    }
    munmap(pages, 2 * pageSize);
}

TEST(LaneHash, InputStartingOnTheFirstByteOfAPageAfterAnInaccessiblePage) {
    long pageSize = sysconf(_SC_PAGESIZE);
    u8* pages = (u8*)mmap(nullptr, 2 * pageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(pages, MAP_FAILED);
    ASSERT_EQ(mprotect(pages, pageSize, PROT_NONE), 0);
    u8* pageStart = pages + pageSize;
    for (long i = 0; i < pageSize; ++i) pageStart[i] = (u8)(i * 7);
    for (u64 length = 0; length <= 40; ++length) {
        std::vector<u8> copy(pageStart, pageStart + length);
        EXPECT_EQ(hexOf(hashBytes(pageStart, length)), hexOf(referenceLaneHash(copy.data(), length))) << "length " << length;
    }
    munmap(pages, 2 * pageSize);
}

TEST(Hash, StringAndASCIIZFormsOfTheSameCharactersAgree) {
    const char* names[] = {"", "a", "Level 1", "::ve::Table::TableEntry", "a name that is longer than sixty-four bytes, to cross a block!"};
    for (const char* name : names) {
        string view = {strlen(name), (u8*)name};
        EXPECT_TRUE(ve::hashString(view) == ve::hashASCIIZ(name)) << name;
        EXPECT_TRUE(ve::hashBuffer(view) == ve::hashString(view)) << name;
    }
}

TEST(Hash, AppendingAZeroByteChangesTheHash) {
    for (size_t length = 0; length < 70; ++length) {
        std::vector<u8> bytes(length + 1, 0);
        for (size_t i = 0; i < length; ++i) bytes[i] = (u8)('A' + i % 26);
        EXPECT_TRUE(hashBytes(bytes.data(), length) != hashBytes(bytes.data(), length + 1)) << length;
    }
}

TEST(Hash, EqualityLooksAtEveryByte) {
    ve::Hash base = ve::hashASCIIZ("Level 1");
    EXPECT_TRUE(base == base);
    EXPECT_FALSE(base != base);
    for (int byte = 0; byte < 16; ++byte) {
        ve::Hash changed = base;
        ((u8*)&changed)[byte] ^= 0x01;
        EXPECT_FALSE(base == changed) << byte;
        EXPECT_TRUE(base != changed) << byte;
    }
}

TEST(Hash, ZeroHashMeansNoIdentifier) {
    ve::Hash none = {};
    EXPECT_TRUE(!none);
    EXPECT_FALSE((b8)none);
    ve::Hash some = ve::hashASCIIZ("Cube");
    EXPECT_FALSE(!some);
    EXPECT_TRUE((b8)some);
}
