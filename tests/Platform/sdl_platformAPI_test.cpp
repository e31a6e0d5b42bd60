// The SDL platform services: file lists under "assets", positioned transfers, file creation,
// console output, memory blocks and the clipboard. File tests run in a fresh temporary working
// directory each.
#include "Platform/SDL/sdl_platformAPI.h"

#include "Memory/memory.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace ve;

string text(const char* literal) { return {strlen(literal), (u8*)literal}; }

std::string toStd(string s) { return std::string((const char*)s.data, s.length); }

void writeWholeFile(const char* path, const void* bytes, size_t length) {
    FILE* file = fopen(path, "wb");
    ASSERT_NE(file, nullptr) << path;
    ASSERT_EQ(fwrite(bytes, 1, length, file), length);
    fclose(file);
}

std::string readWholeFile(const char* path) {
    FILE* file = fopen(path, "rb");
    if (!file) return "<missing>";
    std::string bytes;
    char chunk[256];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.append(chunk, got);
    fclose(file);
    return bytes;
}

// 256 bytes whose value is their own position, so a read shows where it came from.
void writeCountingFile(const char* path) {
    u8 bytes[256];
    for (int i = 0; i < 256; ++i) bytes[i] = (u8)i;
    writeWholeFile(path, bytes, sizeof(bytes));
}

std::vector<std::string> listedNames(PlatformFileList list) {
    std::vector<std::string> names;
    for (u32 i = 0; i < list.count; ++i) names.push_back(toStd(list.names[i]));
    return names;
}

class AssetDirectoryTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(getcwd(previousDirectory, sizeof(previousDirectory)), nullptr);
        snprintf(directory, sizeof(directory), "/tmp/kestrolan_platform_XXXXXX");
        ASSERT_NE(mkdtemp(directory), nullptr);
        ASSERT_EQ(chdir(directory), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(previousDirectory), 0);
        std::string removal = std::string("rm -rf ") + directory;
        ASSERT_EQ(system(removal.c_str()), 0);
    }
    void makeAssets() {
        ASSERT_EQ(mkdir("assets", 0755), 0);
        ASSERT_EQ(mkdir("assets/levels", 0755), 0);
        ASSERT_EQ(mkdir("assets/levels/deep", 0755), 0);
    }

    char previousDirectory[4096];
    char directory[64];
};

TEST_F(AssetDirectoryTest, ListingMatchesExactExtensionWithBareNamesTopLevelFirstThenSortedByPath) {
    makeAssets();
    writeWholeFile("assets/levels/deep/Level 3.vsf", "c", 1);
    writeWholeFile("assets/levels/Level 2.vsf", "b", 1);
    writeWholeFile("assets/Level 1.vsf", "a", 1);
    writeWholeFile("assets/Alpha.vsf", "0", 1);
    writeWholeFile("assets/upper.VSF", "x", 1);
    writeWholeFile("assets/levels/noext", "x", 1);
    writeWholeFile("assets/levels/scene.vsf.bak", "x", 1);
    writeWholeFile("Level 0.vsf", "outside assets", 14);
    ASSERT_EQ(mkdir("assets/folder.vsf", 0755), 0);

    PlatformFileList list = sdl_platform_openFileList(text("vsf"));
    EXPECT_EQ(listedNames(list), (std::vector<std::string>{"Alpha.vsf", "Level 1.vsf", "Level 2.vsf", "Level 3.vsf"}));
    // Each handle is the file its name says: the one byte of each differs.
    const char expected[] = {'0', 'a', 'b', 'c'};
    for (u32 i = 0; i < list.count; ++i) {
        u8 byte = 0;
        sdl_platform_readFile(list, i, 0, {1, &byte});
        EXPECT_EQ(byte, (u8)expected[i]) << i;
        EXPECT_FALSE(sdl_platform_fileHasError(list, i));
    }
    sdl_platform_closeFileList(list);

    PlatformFileList upper = sdl_platform_openFileList(text("VSF"));
    EXPECT_EQ(listedNames(upper), (std::vector<std::string>{"upper.VSF"}));
    sdl_platform_closeFileList(upper);
}

TEST_F(AssetDirectoryTest, SameNameInTwoDirectoriesGivesTwoEqualNames) {
    makeAssets();
    writeWholeFile("assets/levels/twin.pak", "1", 1);
    writeWholeFile("assets/levels/deep/twin.pak", "2", 1);
    PlatformFileList list = sdl_platform_openFileList(text("pak"));
    EXPECT_EQ(listedNames(list), (std::vector<std::string>{"twin.pak", "twin.pak"}));
    sdl_platform_closeFileList(list);
}

TEST_F(AssetDirectoryTest, NoAssetDirectoryOrNoMatchGivesEmptyListThatClosesCleanly) {
    PlatformFileList missing = sdl_platform_openFileList(text("vsf"));
    EXPECT_EQ(missing.count, 0u);
    sdl_platform_closeFileList(missing);

    makeAssets();
    writeWholeFile("assets/a.pak", "x", 1);
    PlatformFileList none = sdl_platform_openFileList(text("vsf"));
    EXPECT_EQ(none.count, 0u);
    EXPECT_NE(none._PlatformData, nullptr);
    sdl_platform_closeFileList(none);

    // A list with neither files nor a platform block is left alone.
    sdl_platform_closeFileList(PlatformFileList{0, nullptr, nullptr});
}

TEST_F(AssetDirectoryTest, ReadOnlyFileIsStillListedAndReadable) {
    makeAssets();
    writeCountingFile("assets/locked.pak");
    ASSERT_EQ(chmod("assets/locked.pak", 0444), 0);
    // Root opens any file; for everyone else this one cannot be opened at all and is left out.
    const b8 unreadableIsLeftOut = geteuid() != 0;
    if (unreadableIsLeftOut) {
        writeWholeFile("assets/hidden.pak", "x", 1);
        ASSERT_EQ(chmod("assets/hidden.pak", 0000), 0);
    }

    PlatformFileList list = sdl_platform_openFileList(text("pak"));
    ASSERT_EQ(listedNames(list), (std::vector<std::string>{"locked.pak"}));
    u8 bytes[4] = {};
    EXPECT_EQ(sdl_platform_readFile(list, 0, 10, {sizeof(bytes), bytes}), 14u);
    EXPECT_EQ(bytes[0], 10);
    EXPECT_EQ(bytes[3], 13);
    EXPECT_FALSE(sdl_platform_fileHasError(list, 0));
    sdl_platform_closeFileList(list);
}

TEST_F(AssetDirectoryTest, PositionedReadsContinueAtTheRememberedPosition) {
    makeAssets();
    writeCountingFile("assets/levels/data.pak");
    PlatformFileList list = sdl_platform_openFileList(text("pak"));
    ASSERT_EQ(list.count, 1u);

    u8 first[8] = {};
    EXPECT_EQ(sdl_platform_readFile(list, 0, 100, {sizeof(first), first}), 108u);
    u8 second[4] = {};
    EXPECT_EQ(sdl_platform_readFile(list, 0, -1, {sizeof(second), second}), 112u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(first[i], 100 + i);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(second[i], 108 + i);

    // An empty transfer at -1 asks for the position and moves nothing.
    EXPECT_EQ(sdl_platform_readFile(list, 0, -1, {0, nullptr}), 112u);
    EXPECT_EQ(sdl_platform_writeFile(list, 0, -1, {0, nullptr}), 112u);

    sdl_platform_set_offset_in_file(list, 0, -1);
    EXPECT_EQ(sdl_platform_readFile(list, 0, -1, {0, nullptr}), 112u);
    sdl_platform_set_offset_in_file(list, 0, 3);
    u8 third = 0;
    EXPECT_EQ(sdl_platform_readFile(list, 0, -1, {1, &third}), 4u);
    EXPECT_EQ(third, 3);
    // Reading again at an earlier explicit offset seeks back.
    EXPECT_EQ(sdl_platform_readFile(list, 0, 0, {1, &third}), 1u);
    EXPECT_EQ(third, 0);
    sdl_platform_closeFileList(list);
}

TEST_F(AssetDirectoryTest, TruncatedReadIsZeroFilledAndReportedUntilAFullReadSucceeds) {
    makeAssets();
    writeWholeFile("assets/short.vsf", "ABCDE", 5);
    PlatformFileList list = sdl_platform_openFileList(text("vsf"));
    ASSERT_EQ(list.count, 1u);

    u8 bytes[8];
    memset(bytes, 0xEE, sizeof(bytes));
    // The position still moves by the length asked for.
    EXPECT_EQ(sdl_platform_readFile(list, 0, 2, {sizeof(bytes), bytes}), 10u);
    const u8 expected[8] = {'C', 'D', 'E', 0, 0, 0, 0, 0};
    EXPECT_EQ(memcmp(bytes, expected, sizeof(bytes)), 0);
    EXPECT_TRUE(sdl_platform_fileHasError(list, 0));

    u8 whole[5] = {};
    EXPECT_EQ(sdl_platform_readFile(list, 0, 0, {sizeof(whole), whole}), 5u);
    EXPECT_EQ(memcmp(whole, "ABCDE", 5), 0);
    EXPECT_FALSE(sdl_platform_fileHasError(list, 0));
    sdl_platform_closeFileList(list);
}

TEST_F(AssetDirectoryTest, WritesToListedFileLandAtTheirOffsets) {
    makeAssets();
    writeWholeFile("assets/edit.vsf", "0123456789", 10);
    PlatformFileList list = sdl_platform_openFileList(text("vsf"));
    ASSERT_EQ(list.count, 1u);
    EXPECT_EQ(sdl_platform_writeFile(list, 0, 4, {2, (u8*)"ab"}), 6u);
    EXPECT_EQ(sdl_platform_writeFile(list, 0, -1, {2, (u8*)"cd"}), 8u);
    EXPECT_FALSE(sdl_platform_fileHasError(list, 0));
    sdl_platform_closeFileList(list);
    EXPECT_EQ(readWholeFile("assets/edit.vsf"), "0123abcd89");
}

TEST_F(AssetDirectoryTest, CreateFileTruncatesAndNamesTheFileDirectlyInAssets) {
    makeAssets();
    writeWholeFile("assets/Level 1.vsf", "old contents that must go", 25);
    writeWholeFile("assets/levels/New.vsf", "keep", 4);

    PlatformFileList created = sdl_platform_createFile(text("Level 1.vsf"));
    ASSERT_EQ(created.count, 1u);
    EXPECT_EQ(toStd(created.names[0]), "Level 1.vsf");
    EXPECT_EQ(toStd(((sdl_platformFileData*)created._PlatformData)->type), ".vsf");
    EXPECT_EQ(sdl_platform_writeFile(created, 0, -1, {0, nullptr}), 0u);
    EXPECT_FALSE(sdl_platform_fileHasError(created, 0));
    EXPECT_EQ(readWholeFile("assets/Level 1.vsf"), "");
    EXPECT_EQ(sdl_platform_writeFile(created, 0, -1, {3, (u8*)"new"}), 3u);
    // The file is open for reading too.
    u8 back[3] = {};
    EXPECT_EQ(sdl_platform_readFile(created, 0, 0, {3, back}), 3u);
    EXPECT_EQ(memcmp(back, "new", 3), 0);
    sdl_platform_closeFileList(created);
    EXPECT_EQ(readWholeFile("assets/Level 1.vsf"), "new");

    // A bare name goes to the top level even when a listed file of that name is deeper.
    PlatformFileList fresh = sdl_platform_createFile(text("New.vsf"));
    sdl_platform_closeFileList(fresh);
    EXPECT_EQ(readWholeFile("assets/New.vsf"), "");
    EXPECT_EQ(readWholeFile("assets/levels/New.vsf"), "keep");

    PlatformFileList plain = sdl_platform_createFile(text("notes"));
    EXPECT_EQ(((sdl_platformFileData*)plain._PlatformData)->type.length, 0u);
    sdl_platform_closeFileList(plain);
}

TEST_F(AssetDirectoryTest, FileThatCannotBeCreatedIsReportedAndIgnoresTransfers) {
    makeAssets();
    // The longest path the buffer takes ("assets/" and 592 bytes make 599), but a file name
    // longer than any file system allows.
    std::string longest(592, 'x');
    // A directory that does not exist.
    const std::string paths[] = {longest, "missing/dir/scene.vsf"};
    for (const std::string& path : paths) {
        PlatformFileList list = sdl_platform_createFile({path.size(), (u8*)path.data()});
        ASSERT_EQ(list.count, 1u);
        EXPECT_EQ(toStd(list.names[0]), path);
        EXPECT_TRUE(sdl_platform_fileHasError(list, 0));
        u8 bytes[4];
        memset(bytes, 0xEE, sizeof(bytes));
        EXPECT_EQ(sdl_platform_writeFile(list, 0, -1, {4, bytes}), 4u);
        EXPECT_EQ(sdl_platform_readFile(list, 0, 0, {4, bytes}), 4u);
        const u8 zeros[4] = {};
        EXPECT_EQ(memcmp(bytes, zeros, 4), 0);
        EXPECT_TRUE(sdl_platform_fileHasError(list, 0));
        sdl_platform_closeFileList(list);
    }
}

TEST_F(AssetDirectoryTest, CreatePathOfSixHundredBytesStopsTheProgram) {
    makeAssets();
    // "assets/" and 593 bytes make 600: no room left for the NUL.
    std::string tooLong(593, 'x');
    EXPECT_DEATH(sdl_platform_createFile({tooLong.size(), (u8*)tooLong.data()}),
                 "^ASSERTION FAILED:<src/Platform/SDL/sdl_platformAPI.cpp><[0-9]+>: path.length < buf.length\n");
}

// A created file written and renamed over the scene file: the scene file has the new bytes and
// the created file is gone.
TEST_F(AssetDirectoryTest, RenameFileReplacesTheTargetWithTheWrittenFile) {
    makeAssets();
    writeWholeFile("assets/Level 1.vsf", "old level", 9);
    PlatformFileList temporary = sdl_platform_createFile(text("Level 1.vsf.tmp"));
    sdl_platform_writeFile(temporary, 0, 0, {9, (u8*)"new level"});
    EXPECT_TRUE(sdl_platform_renameFile(temporary, 0, text("Level 1.vsf")));
    sdl_platform_closeFileList(temporary);
    EXPECT_EQ(readWholeFile("assets/Level 1.vsf"), "new level");
    EXPECT_EQ(readWholeFile("assets/Level 1.vsf.tmp"), "<missing>");
}

// Every way the replacement can fail through the real file layer leaves the target as it was and
// removes the created file: a write into a file that could not be created, a flush onto a full
// device (the created name is a link to /dev/full) and a rename onto a directory.
TEST_F(AssetDirectoryTest, AFailedRenameFileLeavesTheTargetAndRemovesTheCreatedFile) {
    makeAssets();
    writeWholeFile("assets/Kept.vsf", "old level", 9);
    ASSERT_EQ(symlink("/dev/full", "assets/Full.vsf.tmp"), 0);
    ASSERT_EQ(mkdir("assets/Directory.vsf", 0755), 0);
    writeWholeFile("assets/Directory.vsf/inside", "x", 1);
    struct Case {
        const char* created;
        const char* target;
        const char* targetFile;
    };
    const Case cases[] = {
        {"missing/Kept.vsf.tmp", "Kept.vsf", "assets/Kept.vsf"},
        {"Full.vsf.tmp", "Kept.vsf", "assets/Kept.vsf"},
        {"Directory.vsf.tmp", "Directory.vsf", "assets/Directory.vsf/inside"},
    };
    for (const Case& c : cases) {
        std::string before = readWholeFile(c.targetFile);
        PlatformFileList created = sdl_platform_createFile(text(c.created));
        sdl_platform_writeFile(created, 0, 0, {9, (u8*)"new level"});
        EXPECT_FALSE(sdl_platform_renameFile(created, 0, text(c.target))) << c.created;
        sdl_platform_closeFileList(created);
        EXPECT_EQ(readWholeFile(c.targetFile), before) << c.created;
        struct stat status;
        EXPECT_NE(lstat((std::string("assets/") + c.created).c_str(), &status), 0) << c.created << " remains";
    }
}

TEST(PlatformPrint, WritesTextAndOneLineBreak) {
    testing::internal::CaptureStdout();
    sdl_platform_print(text("Failed to load Scene: File not found!"));
    sdl_platform_print({0, nullptr});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed to load Scene: File not found!\n\n");
}

TEST(PlatformReadStdIn, ReadsNothing) {
    c8 bytes[4] = {'k', 'e', 'e', 'p'};
    EXPECT_EQ(sdl_platform_readSTDIn(bytes, sizeof(bytes)), 0);
    EXPECT_EQ(memcmp(bytes, "keep", 4), 0);
}

class PlatformMemoryTest : public testing::Test {
protected:
    void SetUp() override {
        block = {1 << 20, (u8*)malloc(1 << 20)};
        store = createHeapStore(block);
        allocatedBuffers = createDynArray(sizeof(buffer), 16, &store);
    }
    void TearDown() override {
        allocatedBuffers = {};
        free(block.data);
    }
    buffer block;
    MemoryStore store;
};

TEST_F(PlatformMemoryTest, BlocksAreZeroFilledAndListedInCallOrder) {
    const msi sizes[] = {1, 4096, 3 << 20, 17};
    for (msi size : sizes) {
        buffer got = sdl_platform_allocateMemory(size);
        ASSERT_EQ(got.length, size);
        ASSERT_NE(got.data, nullptr);
        for (msi i = 0; i < size; i += 997) ASSERT_EQ(got.data[i], 0) << i;
        EXPECT_EQ(got.data[size - 1], 0);
        buffer* listed = (buffer*)allocatedBuffers[allocatedBuffers.length - 1];
        EXPECT_EQ(listed->data, got.data);
        EXPECT_EQ(listed->length, size);
    }
    EXPECT_EQ(allocatedBuffers.length, 4u);
}

TEST_F(PlatformMemoryTest, ZeroSizedBlockStopsTheProgram) {
    EXPECT_DEATH(sdl_platform_allocateMemory(0), "ASSERTION FAILED:.*size > 0");
}

TEST(PlatformTable, EverySlotHoldsItsSdlFunction) {
    PlatformAPI api;
    memset(&api, 0, sizeof(api));
    initPlatformAPI(&api);
    EXPECT_EQ(api.openFileList, sdl_platform_openFileList);
    EXPECT_EQ(api.closeFileList, sdl_platform_closeFileList);
    EXPECT_EQ(api.fileHasError, sdl_platform_fileHasError);
    EXPECT_EQ(api.readFile, sdl_platform_readFile);
    EXPECT_EQ(api.writeFile, sdl_platform_writeFile);
    EXPECT_EQ(api.createFile, sdl_platform_createFile);
    EXPECT_EQ(api.setOffsetInFile, sdl_platform_set_offset_in_file);
    EXPECT_EQ(api.print, sdl_platform_print);
    EXPECT_EQ(api.readSTDIn, sdl_platform_readSTDIn);
    EXPECT_EQ(api.setCursorRelative, sdl_platform_setCursorRelative);
    EXPECT_EQ(api.allocateMemory, sdl_platform_allocateMemory);
    EXPECT_EQ(api.getGLProcAddr, sdl_platform_getGLProcAddr);
    EXPECT_EQ(api.getClipboard, sdl_platform_getClipboard);
    EXPECT_EQ(api.getClipboardZ, sdl_platform_getClipboardZ);
    EXPECT_EQ(api.setClipboard, sdl_platform_setClipboard);
    EXPECT_EQ(api.renameFile, sdl_platform_renameFile);
    EXPECT_EQ(sizeof(PlatformAPI), 16 * sizeof(void*));
}

// The clipboard needs SDL's video subsystem; the dummy driver keeps the text in SDL itself.
class ClipboardTest : public testing::Test {
protected:
    void SetUp() override {
        SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
    void TearDown() override {
        SDL_free(clipboardASCIIZ);
        clipboardASCIIZ = nullptr;
        SDL_Quit();
    }
};

TEST_F(ClipboardTest, TextRoundTripsWithoutItsTerminator) {
    // Only the first five bytes are the text; the sixth must not reach the clipboard.
    sdl_platform_setClipboard({5, (u8*)"hello!"});
    string got = sdl_platform_getClipboard();
    EXPECT_EQ(toStd(got), "hello");
    EXPECT_STREQ(sdl_platform_getClipboardZ(), "hello");
}

TEST_F(ClipboardTest, EmptyTextGivesEmptyNotNull) {
    sdl_platform_setClipboard({0, nullptr});
    c8* z = sdl_platform_getClipboardZ();
    ASSERT_NE(z, nullptr);
    EXPECT_STREQ(z, "");
    EXPECT_EQ(sdl_platform_getClipboard().length, 0u);
}

} // namespace
