#pragma once
// An in-memory stand-in for the platform's file operations, for tests and fuzz targets of code
// that reads and writes files through `ve::platform`.
//
// Files are byte arrays with names, in the order they were added (the asset directory's listing
// order). `openFileList` lists the files whose name ends in "." and the type; `createFile` empties
// a file of that name or adds one, and lists it alone. Reads and writes follow the platform's
// contract: a negative offset continues at the remembered position, the position grows by the
// requested length, and a transfer that moves fewer bytes is reported by `fileHasError` (a read
// past the end zero-fills the rest). Writes to the file named `failingWrites` store only half of
// their bytes. `renameFile` moves a created file over another name, or deletes it when the file is
// in error, is named `failingFlushes` or the new name is `failingRenames`; it removes an entry from
// the file system, so lists opened before it must not be used after it (the engine renames only
// with no other list open). Printed lines are kept for the test to inspect. Header-only so that fuzz targets
// can use it without the test harness library.

#include "Platform/ve_platform.h"
#include "Core/engine_globals.h"

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace memfiles {

struct MemoryFile {
    std::string name;
    std::vector<u8> bytes;
};

struct MemoryFileSystem {
    std::vector<MemoryFile> files;
    std::vector<std::string> printed;
    // Writes to a file of this name store only half of their bytes and report the shortfall.
    std::string failingWrites;
    // Flushing this file fails; renaming a file over this name fails.
    std::string failingFlushes;
    std::string failingRenames;
    u64 readCalls = 0;
    int openLists = 0; // lists opened and not yet closed
    ve::PlatformAPI api = {};
};

// The one file system the platform table's functions see.
inline MemoryFileSystem*& currentFileSystem() {
    static MemoryFileSystem* fileSystem = nullptr;
    return fileSystem;
}

inline MemoryFile* findFile(MemoryFileSystem* fs, const std::string& name) {
    for (MemoryFile& file : fs->files)
        if (file.name == name) return &file;
    return nullptr;
}

// Per-list state, behind `_PlatformData`. The list's names point into `nameCopies`, so adding
// files to the file system while a list is open cannot move them.
struct MemoryListData {
    std::vector<u32> fileIndices;
    std::vector<std::string> nameCopies;
    std::vector<string> names;
    std::vector<s64> positions;
    std::vector<b8> errors;
};

inline MemoryListData* listData(ve::PlatformFileList list) { return (MemoryListData*)list._PlatformData; }

inline ve::PlatformFileList makeList(MemoryFileSystem* fs, const std::vector<u32>& fileIndices) {
    MemoryListData* data = new MemoryListData();
    data->fileIndices = fileIndices;
    for (u32 index : fileIndices) data->nameCopies.push_back(fs->files[index].name);
    for (const std::string& name : data->nameCopies) data->names.push_back(string{name.size(), (u8*)name.data()});
    data->positions.assign(fileIndices.size(), 0);
    data->errors.assign(fileIndices.size(), 0);
    fs->openLists++;
    ve::PlatformFileList list = {};
    list.count = (u32)fileIndices.size();
    list.names = data->names.data();
    list._PlatformData = data;
    return list;
}

inline ve::PlatformFileList memoryOpenFileList(string type) {
    MemoryFileSystem* fs = currentFileSystem();
    std::string suffix(1, '.');
    suffix.append((const char*)type.data, type.length);
    std::vector<u32> fileIndices;
    for (u32 i = 0; i < fs->files.size(); ++i) {
        const std::string& name = fs->files[i].name;
        if (name.size() < suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) continue;
        fileIndices.push_back(i);
    }
    return makeList(fs, fileIndices);
}

inline ve::PlatformFileList memoryCreateFile(string path) {
    MemoryFileSystem* fs = currentFileSystem();
    std::string name((const char*)path.data, path.length);
    MemoryFile* existing = findFile(fs, name);
    if (existing) existing->bytes.clear();
    else fs->files.push_back({name, {}});
    return makeList(fs, {(u32)((existing ? existing : &fs->files.back()) - fs->files.data())});
}

inline void memoryCloseFileList(ve::PlatformFileList list) {
    delete listData(list);
    currentFileSystem()->openLists--;
}

inline b8 memoryFileHasError(ve::PlatformFileList list, u32 index) { return listData(list)->errors[index]; }

// Moves to `offset` unless it is negative; returns the position a transfer starts at.
inline s64 memoryMoveTo(ve::PlatformFileList list, u32 index, s64 offset) {
    s64& position = listData(list)->positions[index];
    if (offset >= 0) position = offset;
    return position;
}

inline void memorySetOffsetInFile(ve::PlatformFileList list, u32 index, s64 offset) { memoryMoveTo(list, index, offset); }

inline msi memoryReadFile(ve::PlatformFileList list, u32 index, s64 offset, buffer dst) {
    MemoryFileSystem* fs = currentFileSystem();
    MemoryListData* data = listData(list);
    ++fs->readCalls;
    s64 position = memoryMoveTo(list, index, offset);
    if (dst.length == 0) return (msi)position;
    const std::vector<u8>& bytes = fs->files[data->fileIndices[index]].bytes;
    msi available = (u64)position < bytes.size() ? bytes.size() - (u64)position : 0;
    msi copied = available < dst.length ? available : dst.length;
    if (copied != 0) memcpy(dst.data, bytes.data() + position, copied);
    memset(dst.data + copied, 0, dst.length - copied);
    data->errors[index] = copied != dst.length;
    data->positions[index] = position + (s64)dst.length;
    return (msi)data->positions[index];
}

inline msi memoryWriteFile(ve::PlatformFileList list, u32 index, s64 offset, buffer src) {
    MemoryFileSystem* fs = currentFileSystem();
    MemoryListData* data = listData(list);
    s64 position = memoryMoveTo(list, index, offset);
    if (src.length == 0) return (msi)position;
    MemoryFile& file = fs->files[data->fileIndices[index]];
    msi moved = file.name == fs->failingWrites ? src.length / 2 : src.length;
    if (file.bytes.size() < (msi)position + moved) file.bytes.resize((msi)position + moved);
    if (moved != 0) memcpy(file.bytes.data() + position, src.data, moved);
    data->errors[index] = moved != src.length;
    data->positions[index] = position + (s64)src.length;
    return (msi)data->positions[index];
}

inline b8 memoryRenameFile(ve::PlatformFileList list, u32 index, string path) {
    MemoryFileSystem* fs = currentFileSystem();
    u32 fileIndex = listData(list)->fileIndices[index];
    std::string target((const char*)path.data, path.length);
    MemoryFile* source = &fs->files[fileIndex];
    b8 renamed = !listData(list)->errors[index] && source->name != fs->failingFlushes && target != fs->failingRenames;
    MemoryFile* existing = findFile(fs, target);
    if (renamed && !existing) {
        source->name = target;
        return true;
    }
    if (renamed) existing->bytes = source->bytes;
    fs->files.erase(fs->files.begin() + fileIndex);
    return renamed;
}

inline void memoryPrint(string text) {
    currentFileSystem()->printed.push_back(std::string((const char*)text.data, text.length));
}

// Points `ve::platform` at a table whose file operations and `print` use `fs`.
inline void installMemoryFileSystem(MemoryFileSystem* fs) {
    currentFileSystem() = fs;
    fs->api.openFileList = memoryOpenFileList;
    fs->api.createFile = memoryCreateFile;
    fs->api.closeFileList = memoryCloseFileList;
    fs->api.fileHasError = memoryFileHasError;
    fs->api.readFile = memoryReadFile;
    fs->api.writeFile = memoryWriteFile;
    fs->api.setOffsetInFile = memorySetOffsetInFile;
    fs->api.renameFile = memoryRenameFile;
    fs->api.print = memoryPrint;
    ve::platform = &fs->api;
}

} // namespace memfiles
