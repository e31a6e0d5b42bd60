#include "Platform/SDL/sdl_platformAPI.h"

#include "Memory/memory.h"
#include "Platform/SDL/sdl_tmp_win_platform.h"
#include "Util/string.h"

#include <fcntl.h>
#include <filesystem>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace ve {

DynArray allocatedBuffers;
c8* clipboardASCIIZ;

// =============================================================================================
// File lists
// =============================================================================================

namespace detail {

// Room for "assets/" and a path handed to `createFile`, with its NUL.
constexpr msi createFilePathCapacity = 600;

string assetDirectoryPrefix() { return wrapASCIIZ((c8*)"assets/"); }

// "assets/" followed by `relativePath`, NUL-terminated in `buf`. The length is checked before the
// path is built: concatString hands back the empty string for a path that does not fit, which
// would pass any check made afterwards.
void buildAssetPath(string relativePath, buffer buf) {
    string prefix = assetDirectoryPrefix();
    string path = {prefix.length + relativePath.length, buf.data};
    VE_ASSERT(path.length < buf.length);
    path = concatString(prefix, relativePath, buf);
    buf.data[path.length] = 0;
}

// One matching entry found by the directory walk: its whole path as NUL-terminated UTF-8 from
// the C runtime, where its bare file name starts, and whether it lies directly in "assets".
struct ListedAssetFile {
    c8* path;
    msi nameOffset;
    b8 topLevel;
};

struct ListedAssetFiles {
    ListedAssetFile* entries;
    u32 count;
    u32 capacity;
};

b8 extensionMatches(const std::filesystem::path& path, string type) {
    std::u8string extension = path.extension().u8string();
    return extension.size() == type.length + 1 && extension[0] == u8'.' &&
           memcmp(extension.data() + 1, type.data, type.length) == 0;
}

b8 appendListedAssetFile(ListedAssetFiles* files, const std::filesystem::path& path, b8 topLevel) {
    if (files->count == files->capacity) {
        u32 capacity = files->capacity ? files->capacity * 2 : 16;
        void* grown = realloc(files->entries, capacity * sizeof(ListedAssetFile));
        if (!VE_SOFT_ASSERT_NOT_NULL(grown)) return false;
        files->entries = (ListedAssetFile*)grown;
        files->capacity = capacity;
    }
    std::u8string pathText = path.u8string();
    c8* pathCopy = (c8*)malloc(pathText.size() + 1);
    if (!VE_SOFT_ASSERT_NOT_NULL(pathCopy)) return false;
    memcpy(pathCopy, pathText.data(), pathText.size() + 1);
    msi nameLength = path.filename().u8string().size();
    files->entries[files->count++] = {pathCopy, pathText.size() - nameLength, topLevel};
    return true;
}

// One walk of the whole tree: regular files only, with the wanted extension. A missing or
// unreadable "assets" ends the walk at once and leaves the list empty.
ListedAssetFiles walkAssetDirectory(string type) {
    namespace fs = std::filesystem;
    ListedAssetFiles files = {};
    std::error_code walkError;
    fs::recursive_directory_iterator entry("assets", fs::directory_options::skip_permission_denied, walkError);
    for (; !walkError && entry != fs::recursive_directory_iterator(); entry.increment(walkError)) {
        std::error_code statusError;
        if (!entry->is_regular_file(statusError) || !extensionMatches(entry->path(), type)) continue;
        if (!appendListedAssetFile(&files, entry->path(), entry.depth() == 0)) break;
    }
    return files;
}

// Files directly in "assets" come first, then the others, each group sorted by path, so every
// machine lists the same files in the same order whatever its directory iteration order.
int compareListedAssetFiles(const void* left, const void* right) {
    const ListedAssetFile* a = (const ListedAssetFile*)left;
    const ListedAssetFile* b = (const ListedAssetFile*)right;
    if (a->topLevel != b->topLevel) return a->topLevel ? -1 : 1;
    return strcmp(a->path, b->path);
}

// A list with room for `capacity` files and `count` 0; every array zero-filled.
PlatformFileList allocateFileList(u32 capacity) {
    sdl_platformFileData* data = (sdl_platformFileData*)calloc(1, sizeof(sdl_platformFileData));
    VE_ASSERT_NOT_NULL(data);
    data->files = (SDL_RWops**)calloc(capacity, sizeof(SDL_RWops*));
    data->offsets = (s64*)calloc(capacity, sizeof(s64));
    data->errors = (b8*)calloc(capacity, sizeof(b8));
    string* names = (string*)calloc(capacity, sizeof(string));
    VE_ASSERT(capacity == 0 || (data->files && data->offsets && data->errors && names));
    return {0, names, data};
}

string copyToHeapString(const c8* text, msi length) {
    string copy = {length, (u8*)malloc(length)};
    VE_ASSERT(length == 0 || copy.data);
    memcpy(copy.data, text, length);
    return copy;
}

// Listed files are opened for reading and writing; a file that may only be read is still
// listed (the loaders only read), and one that cannot be opened at all is left out.
SDL_RWops* openListedAssetFile(const c8* path) {
    SDL_RWops* file = SDL_RWFromFile(path, "r+b");
    return file ? file : SDL_RWFromFile(path, "rb");
}

void appendOpenFile(PlatformFileList* list, SDL_RWops* file, string name) {
    sdl_platformFileData* data = (sdl_platformFileData*)list->_PlatformData;
    data->files[list->count] = file;
    data->errors[list->count] = file == nullptr;
    list->names[list->count] = name;
    list->count++;
}

sdl_platformFileData* platformFileData(PlatformFileList list) { return (sdl_platformFileData*)list._PlatformData; }

void seekAssetFile(SDL_RWops* file, s64 offset) {
    if (file) SDL_RWseek(file, offset, RW_SEEK_SET);
}

// Seeks file `index` to `offset` unless the offset is negative or already the remembered one;
// returns the position the next transfer starts at.
s64 moveToOffset(sdl_platformFileData* data, u32 index, s64 offset) {
    if (offset >= 0 && offset != data->offsets[index]) {
        seekAssetFile(data->files[index], offset);
        data->offsets[index] = offset;
    }
    return data->offsets[index];
}

// Both return the bytes moved. A short read leaves no stale bytes behind: the rest of `dst` is
// zero-filled.
msi readAssetFileBytes(SDL_RWops* file, buffer dst) {
    msi moved = file ? SDL_RWread(file, dst.data, 1, dst.length) : 0;
    zeroSize(dst.length - moved, dst.data + moved);
    return moved;
}

msi writeAssetFileBytes(SDL_RWops* file, buffer src) { return file ? SDL_RWwrite(file, src.data, 1, src.length) : 0; }

typedef msi (*MoveAssetFileBytes)(SDL_RWops* file, buffer bytes);

// The remembered position grows by the length asked for even when fewer bytes moved (callers
// rely on the returned position); the shortfall is what `fileHasError` then reports.
msi transferAssetFile(PlatformFileList list, u32 index, s64 offset, buffer bytes, MoveAssetFileBytes move) {
    sdl_platformFileData* data = platformFileData(list);
    s64 position = moveToOffset(data, index, offset);
    if (bytes.length != 0) {
        msi moved = move(data->files[index], bytes);
        data->errors[index] = moved < bytes.length;
        position += (s64)bytes.length;
    }
    data->offsets[index] = position;
    return (msi)position;
}

} // namespace detail

PlatformFileList sdl_platform_openFileList(string type) {
    using namespace detail;
    ListedAssetFiles found = walkAssetDirectory(type);
    if (found.count > 1) qsort(found.entries, found.count, sizeof(ListedAssetFile), compareListedAssetFiles);

    PlatformFileList list = allocateFileList(found.count);
    platformFileData(list)->type = type;
    for (u32 i = 0; i < found.count; ++i) {
        ListedAssetFile* entry = &found.entries[i];
        SDL_RWops* file = openListedAssetFile(entry->path);
        if (file) appendOpenFile(&list, file, copyToHeapString(entry->path + entry->nameOffset, strlen(entry->path + entry->nameOffset)));
        free(entry->path);
    }
    free(found.entries);
    return list;
}

void sdl_platform_closeFileList(PlatformFileList list) {
    sdl_platformFileData* data = detail::platformFileData(list);
    if (list.count == 0 && !data) return;
    for (u32 i = 0; i < list.count; ++i) {
        free(list.names[i].data);
        if (data->files[i]) SDL_RWclose(data->files[i]);
    }
    free(list.names);
    free(data->files);
    free(data->offsets);
    free(data->errors);
    free(data);
}

b8 sdl_platform_fileHasError(PlatformFileList list, u32 index) { return detail::platformFileData(list)->errors[index]; }

msi sdl_platform_readFile(PlatformFileList list, u32 index, s64 offset, buffer dst) {
    return detail::transferAssetFile(list, index, offset, dst, detail::readAssetFileBytes);
}

msi sdl_platform_writeFile(PlatformFileList list, u32 index, s64 offset, buffer src) {
    return detail::transferAssetFile(list, index, offset, src, detail::writeAssetFileBytes);
}

void sdl_platform_set_offset_in_file(PlatformFileList list, u32 index, s64 offset) {
    detail::moveToOffset(detail::platformFileData(list), index, offset);
}

// A file that cannot be created still gives a list of one file; that file is in error and its
// transfers move nothing.
PlatformFileList sdl_platform_createFile(string path) {
    using namespace detail;
    c8 fullPathBytes[createFilePathCapacity];
    buildAssetPath(path, {sizeof(fullPathBytes), (u8*)fullPathBytes});

    PlatformFileList list = allocateFileList(1);
    platformFileData(list)->type = searchStringLastOccurrence(path, '.');
    appendOpenFile(&list, SDL_RWFromFile(fullPathBytes, "w+b"), copyToHeapString((c8*)path.data, path.length));
    return list;
}

namespace detail {

// Makes the bytes of the closed file at `path` durable: without this a crash soon after the
// rename could leave the new name on an empty file.
b8 syncFileToDisk(const c8* path) {
    int descriptor = open(path, O_RDONLY);
    if (descriptor < 0) return false;
    b8 synced = fsync(descriptor) == 0;
    return close(descriptor) == 0 && synced;
}

// Closing flushes SDL's buffered writes: a full disk shows here at the latest.
b8 flushAndCloseAssetFile(sdl_platformFileData* data, u32 index, const c8* path) {
    SDL_RWops* file = data->files[index];
    data->files[index] = nullptr;
    b8 closed = file && SDL_RWclose(file) == 0;
    return closed && !data->errors[index] && syncFileToDisk(path);
}

} // namespace detail

b8 sdl_platform_renameFile(PlatformFileList list, u32 index, string path) {
    using namespace detail;
    c8 fromBytes[createFilePathCapacity];
    c8 toBytes[createFilePathCapacity];
    buildAssetPath(list.names[index], {sizeof(fromBytes), (u8*)fromBytes});
    buildAssetPath(path, {sizeof(toBytes), (u8*)toBytes});
    std::error_code error;
    b8 renamed = flushAndCloseAssetFile(platformFileData(list), index, fromBytes);
    if (renamed) {
        std::filesystem::rename(fromBytes, toBytes, error);
        renamed = !error;
    }
    if (!renamed) std::filesystem::remove(fromBytes, error);
    return renamed;
}

// =============================================================================================
// Console, mouse, memory, OpenGL
// =============================================================================================

void sdl_platform_print(string text) {
    printf("%.*s\n", (s32)text.length, (c8*)text.data);
    fflush(stdout);
}

s64 sdl_platform_readSTDIn(c8*, u32) {
    SDL_Log("Function stub PLATFORMREADSTDIN in sdl-layer");
    return 0;
}

void sdl_platform_setCursorRelative(b8 relative) {
    sdl_gameInput.mouse.relative = relative;
    applyMouseModeChange(MouseModeRestore, &sdl_gameInput);
}

buffer sdl_platform_allocateMemory(msi size) {
    VE_ASSERT(size > 0);
    void* baseAddress = calloc(1, size);
    VE_ASSERT_NOT_NULL(baseAddress);
    buffer block = {size, (u8*)baseAddress};
    push(&allocatedBuffers, &block);
    return block;
}

void* sdl_platform_getGLProcAddr(c8* name) { return SDL_GL_GetProcAddress(name); }

// =============================================================================================
// Clipboard
// =============================================================================================

namespace detail {

c8 emptyClipboardText[1];

// Releases the text of the previous read and keeps the current one.
c8* exchangeClipboardText() {
    if (clipboardASCIIZ) SDL_free(clipboardASCIIZ);
    clipboardASCIIZ = SDL_GetClipboardText();
    return clipboardASCIIZ;
}

} // namespace detail

string sdl_platform_getClipboard() {
    c8* text = detail::exchangeClipboardText();
    if (!text) return {0, nullptr};
    return wrapASCIIZ(text);
}

c8* sdl_platform_getClipboardZ() {
    c8* text = detail::exchangeClipboardText();
    return text ? text : detail::emptyClipboardText;
}

void sdl_platform_setClipboard(string text) {
    c8* terminated = (c8*)malloc(text.length + 1);
    VE_ASSERT_NOT_NULL(terminated);
    copyStringToASCIIZ(text, terminated, text.length + 1);
    SDL_SetClipboardText(terminated);
    free(terminated);
}

void initPlatformAPI(PlatformAPI* platformAPI) {
    platformAPI->openFileList = sdl_platform_openFileList;
    platformAPI->closeFileList = sdl_platform_closeFileList;
    platformAPI->fileHasError = sdl_platform_fileHasError;
    platformAPI->readFile = sdl_platform_readFile;
    platformAPI->writeFile = sdl_platform_writeFile;
    platformAPI->createFile = sdl_platform_createFile;
    platformAPI->setOffsetInFile = sdl_platform_set_offset_in_file;
    platformAPI->print = sdl_platform_print;
    platformAPI->readSTDIn = sdl_platform_readSTDIn;
    platformAPI->setCursorRelative = sdl_platform_setCursorRelative;
    platformAPI->allocateMemory = sdl_platform_allocateMemory;
    platformAPI->getGLProcAddr = sdl_platform_getGLProcAddr;
    platformAPI->getClipboard = sdl_platform_getClipboard;
    platformAPI->getClipboardZ = sdl_platform_getClipboardZ;
    platformAPI->setClipboard = sdl_platform_setClipboard;
    platformAPI->renameFile = sdl_platform_renameFile;
}

} // namespace ve
