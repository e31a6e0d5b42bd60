#pragma once
// An in-memory stand-in for the platform's file operations, for loader tests and fuzz targets.
//
// Files are byte arrays with names. `openFileList` lists the files whose name ends in "." and the
// type, in the order they were added. Reads follow the platform's contract: a negative offset
// continues at the remembered position, the position grows by the requested length, and a read
// that runs past the end zero-fills the rest and is reported by `fileHasError`. Printed lines are
// kept for the test to inspect. Header-only so that fuzz targets can use it without the test
// support library.

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
    u64 readCalls = 0;
    ve::PlatformAPI api = {};
};

// The one file system the platform table's functions see.
inline MemoryFileSystem*& currentFileSystem() {
    static MemoryFileSystem* fileSystem = nullptr;
    return fileSystem;
}

// Per-list state, behind `_PlatformData`.
struct MemoryListData {
    std::vector<u32> fileIndices;
    std::vector<string> names;
    std::vector<s64> positions;
    std::vector<b8> errors;
};

inline MemoryListData* listData(ve::PlatformFileList list) { return (MemoryListData*)list._PlatformData; }

inline ve::PlatformFileList memoryOpenFileList(string type) {
    MemoryFileSystem* fs = currentFileSystem();
    MemoryListData* data = new MemoryListData();
    std::string suffix = "." + std::string((const char*)type.data, type.length);
    for (u32 i = 0; i < fs->files.size(); ++i) {
        const std::string& name = fs->files[i].name;
        if (name.size() < suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) continue;
        data->fileIndices.push_back(i);
        data->names.push_back(string{name.size(), (u8*)name.data()});
        data->positions.push_back(0);
        data->errors.push_back(0);
    }
    ve::PlatformFileList list = {};
    list.count = (u32)data->fileIndices.size();
    list.names = data->names.data();
    list._PlatformData = data;
    return list;
}

inline void memoryCloseFileList(ve::PlatformFileList list) { delete listData(list); }

inline b8 memoryFileHasError(ve::PlatformFileList list, u32 index) { return listData(list)->errors[index]; }

inline msi memoryReadFile(ve::PlatformFileList list, u32 index, s64 offset, buffer dst) {
    MemoryFileSystem* fs = currentFileSystem();
    MemoryListData* data = listData(list);
    ++fs->readCalls;
    s64& position = data->positions[index];
    if (offset >= 0) position = offset;
    if (dst.length == 0) return (msi)position;
    const std::vector<u8>& bytes = fs->files[data->fileIndices[index]].bytes;
    msi available = (u64)position < bytes.size() ? bytes.size() - (u64)position : 0;
    msi copied = available < dst.length ? available : dst.length;
    if (copied != 0) memcpy(dst.data, bytes.data() + position, copied);
    memset(dst.data + copied, 0, dst.length - copied);
    data->errors[index] = copied != dst.length;
    position += (s64)dst.length;
    return (msi)position;
}

inline void memoryPrint(string text) {
    currentFileSystem()->printed.push_back(std::string((const char*)text.data, text.length));
}

// Points `ve::platform` at a table whose file operations and `print` use `fs`.
inline void installMemoryFileSystem(MemoryFileSystem* fs) {
    currentFileSystem() = fs;
    fs->api.openFileList = memoryOpenFileList;
    fs->api.closeFileList = memoryCloseFileList;
    fs->api.fileHasError = memoryFileHasError;
    fs->api.readFile = memoryReadFile;
    fs->api.print = memoryPrint;
    ve::platform = &fs->api;
}

} // namespace memfiles
