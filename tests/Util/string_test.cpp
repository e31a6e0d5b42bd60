#include "Util/string.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

namespace {

struct Arena {
    alignas(16) u8 bytes[8192];
    ve::MemoryStore store = ve::createHeapStore({sizeof(bytes), bytes});
};

std::string text(string s) {
    return std::string((const char*)s.data, s.length);
}

string lit(const char* s) {
    return ve::wrapASCIIZ(s);
}

} // namespace

TEST(String, CompareIsByteWiseEquality) {
    EXPECT_FALSE(ve::cmpString(lit("abc"), lit("abcd")));
    EXPECT_TRUE(ve::cmpString({}, {}));
    char copy[] = "abc";
    EXPECT_TRUE(ve::cmpString(lit("abc"), lit(copy)));
    EXPECT_FALSE(ve::cmpString(lit("abc"), lit("abd")));
}

TEST(String, ConcatIntoABufferFitsExactlyOrGivesTheEmptyString) {
    u8 room[600];
    std::string name593(593, 'n'), name594(594, 'n');
    string joined = ve::concatString(lit("assets/"), lit(name593.c_str()), buffer{600, room});
    EXPECT_EQ(joined.length, 600u);
    EXPECT_EQ(joined.data, room);
    EXPECT_EQ(text(joined), "assets/" + name593);

    memset(room, '#', sizeof(room));
    string tooLong = ve::concatString(lit("assets/"), lit(name594.c_str()), buffer{600, room});
    EXPECT_EQ(tooLong.length, 0u);
    EXPECT_EQ(tooLong.data, nullptr);
    EXPECT_EQ(room[0], '#'); // nothing written

    string empties = ve::concatString(string{}, string{}, buffer{600, room});
    EXPECT_EQ(empties.length, 0u);
    EXPECT_EQ(empties.data, room);
}

TEST(String, ConcatFromAStore) {
    Arena a;
    string joined = ve::concatString(lit("Level "), lit("1"), &a.store);
    EXPECT_EQ(text(joined), "Level 1");
    EXPECT_TRUE(ve::ptrInBuffer(a.store.buf, joined.data));
    string empties = ve::concatString(string{}, string{}, &a.store);
    EXPECT_EQ(empties.length, 0u);
    EXPECT_EQ(empties.data, nullptr);
    ve::freeString(&joined, &a.store);
    EXPECT_EQ(joined.data, nullptr);
    EXPECT_EQ(u64(a.store.firstFreeBlock->size), sizeof(a.bytes));
}

TEST(StringDeathTest, ConcatWhoseLengthSumWrapsStops) {
    u8 room[16];
    string huge = {~(msi)0 - 2, room};
    EXPECT_DEATH(ve::concatString(huge, lit("abcd"), buffer{16, room}), ">: Invalid case reached.\n");
}

TEST(String, CopyToASCIIZNeedsRoomForTheNul) {
    std::string s63(63, 'x'), s64(64, 'y');
    char target[64];
    memset(target, '#', sizeof(target));
    EXPECT_TRUE(ve::copyStringToASCIIZ(lit(s63.c_str()), target, 64));
    EXPECT_EQ(target[63], 0);
    EXPECT_EQ(std::string(target), s63);
    memset(target, '#', sizeof(target));
    EXPECT_FALSE(ve::copyStringToASCIIZ(lit(s64.c_str()), target, 64));
    EXPECT_EQ(target[0], '#');
}

TEST(String, CopyASCIIZIntoAShorterStringFailsAndLeavesItAlone) {
    char target[] = "1234";
    string to = {4, (u8*)target};
    EXPECT_FALSE(ve::copyASCIIZToString("abcdef", to));
    EXPECT_STREQ(target, "1234");
    EXPECT_TRUE(ve::copyASCIIZToString("ab", to));
    EXPECT_STREQ(target, "ab34");
    EXPECT_EQ(to.length, 4u);
}

TEST(String, CopiesIntoStoreOwnTheirBytes) {
    Arena a;
    char source[] = "Cube 3";
    string copy = ve::copyToString(source, &a.store);
    source[0] = 'X';
    EXPECT_EQ(text(copy), "Cube 3");
    EXPECT_TRUE(ve::ptrInBuffer(a.store.buf, copy.data));

    c8* z = ve::copytoASCIIZ(lit("Wall"), &a.store);
    ASSERT_NE(z, nullptr);
    EXPECT_STREQ(z, "Wall");

    string again = ve::allocAndCopyString(lit("Light"), &a.store);
    EXPECT_EQ(text(again), "Light");

    string none = ve::copyToString("", &a.store);
    EXPECT_EQ(none.data, nullptr);
}

TEST(String, CopyFailsCleanlyWhenTheStoreIsExhausted) {
    alignas(16) u8 tiny[64];
    ve::MemoryStore store = ve::createHeapStore({sizeof(tiny), tiny});
    std::string longText(100, 'z');
    testing::internal::CaptureStderr();
    string copy = ve::copyToString(longText.c_str(), &store);
    c8* z = ve::copytoASCIIZ(lit(longText.c_str()), &store);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(copy.length, 0u);
    EXPECT_EQ(copy.data, nullptr);
    EXPECT_EQ(z, nullptr);
}

TEST(String, FiveArgumentCopy) {
    char target[] = "........";
    string to = lit(target);
    EXPECT_TRUE(ve::copyString(lit("abcdef"), &to, 2, 4, 3));
    EXPECT_STREQ(target, "....cde.");
    EXPECT_FALSE(ve::copyString(lit("abcdef"), &to, 2, 6, 3));
    EXPECT_TRUE(ve::copyString(lit("xy"), to));
    EXPECT_STREQ(target, "xy..cde.");
}

TEST(String, SearchLastOccurrence) {
    struct Case {
        const char* text;
        char c;
        const char* expected; // null: the empty string
    };
    const Case cases[] = {
        {"a.b.c", '.', ".c"},
        {"a.b.c", 'x', nullptr},
        {".pak", '.', ".pak"}, // match at index 0
        {"x", 'x', "x"},
        {"", '.', nullptr},
        {"ve::Table::TableEntry", ':', ":TableEntry"},
    };
    for (const Case& c : cases) {
        string found = ve::searchStringLastOccurrence(lit(c.text), c.c);
        if (!c.expected) {
            EXPECT_EQ(found.length, 0u) << c.text;
            EXPECT_EQ(found.data, nullptr) << c.text;
        } else {
            EXPECT_EQ(text(found), c.expected) << c.text;
        }
    }
    EXPECT_EQ(ve::searchStringLastOccurrence(string{}, '.').data, nullptr);
}

TEST(String, ViewsShareTheBytes) {
    const char* source = "scene.vsf";
    string view = ve::wrapASCIIZ(source);
    EXPECT_EQ(view.length, 9u);
    EXPECT_EQ((const char*)view.data, source);
    string sub = ve::substring(view, 6, 3);
    EXPECT_EQ(text(sub), "vsf");
    EXPECT_EQ((const char*)sub.data, source + 6);
    EXPECT_EQ(ve::countASCIIZWithoutNull("abc"), 3u);
    EXPECT_EQ(ve::countASCIIZWithoutNull(""), 0u);
}

TEST(String, DecimalConversion) {
    Arena a;
    struct Case {
        s64 number;
        const char* expected;
    };
    const Case cases[] = {
        {0, "0"}, {7, "7"}, {10, "10"}, {1203, "1203"}, {9223372036854775807ll, "9223372036854775807"},
        {-45, "-45"}, {-9223372036854775807ll - 1, "-9223372036854775808"},
    };
    for (const Case& c : cases) {
        string s = ve::s64ToString(c.number, &a.store);
        EXPECT_EQ(text(s), c.expected);
        EXPECT_EQ(s.length, strlen(c.expected));
        ve::freeString(&s, &a.store);
    }
}
