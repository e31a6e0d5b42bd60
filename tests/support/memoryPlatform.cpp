#include "memoryPlatform.h"

#include "Core/engine_globals.h"
#include "Physics/common/phMemory.h"
#include "Physics/physics.h"

#include <new>
#include <stdlib.h>

#include <string.h>

namespace vetest {

namespace {

MemoryPlatform* current;

struct ListData {
    std::vector<size_t> fileIndices;
    std::vector<s64> offsets;
    std::vector<b8> errors;
};

ListData* listData(ve::PlatformFileList list) { return (ListData*)list._PlatformData; }

ve::PlatformFileList makeList(const std::vector<size_t>& indices) {
    ListData* data = new ListData;
    data->fileIndices = indices;
    data->offsets.assign(indices.size(), 0);
    data->errors.assign(indices.size(), 0);
    ve::PlatformFileList list = {};
    list.count = (u32)indices.size();
    list.names = new string[indices.size() + 1];
    for (size_t i = 0; i < indices.size(); i++) {
        std::string& name = current->files[indices[i]].name;
        list.names[i] = {name.size(), (u8*)name.data()};
    }
    list._PlatformData = data;
    current->openLists++;
    return list;
}

ve::PlatformFileList openFileList(string type) {
    std::string extension = "." + std::string((char*)type.data, type.length);
    std::vector<size_t> indices;
    for (size_t i = 0; i < current->files.size(); i++) {
        const std::string& name = current->files[i].name;
        if (name.size() >= extension.size() && name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
            indices.push_back(i);
    }
    return makeList(indices);
}

void closeFileList(ve::PlatformFileList list) {
    delete listData(list);
    delete[] list.names;
    current->openLists--;
}

b8 fileHasError(ve::PlatformFileList list, u32 index) { return listData(list)->errors[index]; }

s64 moveTo(ve::PlatformFileList list, u32 index, s64 offset) {
    if (offset >= 0) listData(list)->offsets[index] = offset;
    return listData(list)->offsets[index];
}

msi readFile(ve::PlatformFileList list, u32 index, s64 offset, buffer dst) {
    std::vector<u8>& bytes = current->files[listData(list)->fileIndices[index]].bytes;
    s64 position = moveTo(list, index, offset);
    if (dst.length == 0) return (msi)position;
    msi available = (msi)position < bytes.size() ? bytes.size() - (msi)position : 0;
    msi moved = available < dst.length ? available : dst.length;
    if (moved) memcpy(dst.data, bytes.data() + position, moved);
    memset(dst.data + moved, 0, dst.length - moved);
    listData(list)->errors[index] = moved < dst.length;
    listData(list)->offsets[index] = position + (s64)dst.length;
    return (msi)(position + (s64)dst.length);
}

msi writeFile(ve::PlatformFileList list, u32 index, s64 offset, buffer src) {
    MemoryFile& file = current->files[listData(list)->fileIndices[index]];
    s64 position = moveTo(list, index, offset);
    if (src.length == 0) return (msi)position;
    msi moved = file.name == current->failingWrites ? src.length / 2 : src.length;
    if (file.bytes.size() < (msi)position + moved) file.bytes.resize((msi)position + moved);
    if (moved) memcpy(file.bytes.data() + position, src.data, moved);
    listData(list)->errors[index] = moved < src.length;
    listData(list)->offsets[index] = position + (s64)src.length;
    return (msi)(position + (s64)src.length);
}

ve::PlatformFileList createFile(string path) {
    std::string name((char*)path.data, path.length);
    MemoryFile* existing = findMemoryFile(current, name);
    if (existing) existing->bytes.clear();
    else current->files.push_back({name, {}});
    for (size_t i = 0; i < current->files.size(); i++)
        if (current->files[i].name == name) return makeList({i});
    return {};
}

void setOffsetInFile(ve::PlatformFileList list, u32 index, s64 offset) { moveTo(list, index, offset); }

void print(string text) { current->printed.push_back(std::string((char*)text.data, text.length)); }

} // namespace

MemoryPlatform* installMemoryPlatform() {
    static MemoryPlatform platform;
    platform = MemoryPlatform{};
    platform.api.openFileList = openFileList;
    platform.api.closeFileList = closeFileList;
    platform.api.fileHasError = fileHasError;
    platform.api.readFile = readFile;
    platform.api.writeFile = writeFile;
    platform.api.createFile = createFile;
    platform.api.setOffsetInFile = setOffsetInFile;
    platform.api.print = print;
    current = &platform;
    ve::platform = &platform.api;
    return &platform;
}

MemoryFile* findMemoryFile(MemoryPlatform* platform, const std::string& name) {
    for (MemoryFile& file : platform->files)
        if (file.name == name) return &file;
    return nullptr;
}

void putMemoryFile(MemoryPlatform* platform, const std::string& name, const std::vector<u8>& bytes) {
    platform->files.push_back({name, bytes});
}

TestStores::TestStores(msi tmpSize, msi permanentSize) : tmpBlock(new u8[tmpSize]), permanentBlock(new u8[permanentSize]) {
    tmp = ve::createHeapStore({tmpSize, tmpBlock.get()});
    permanent = ve::createHeapStore({permanentSize, permanentBlock.get()});
    ve::tmpStore = &tmp;
    ve::permanentStore = &permanent;
}

TestStores::~TestStores() {
    ve::tmpStore = nullptr;
    ve::permanentStore = nullptr;
}

TestEngineState::TestEngineState() {
    // Most of the record is the time history: calloc leaves its pages untouched until used.
    state = (ve::EngineState*)calloc(1, sizeof(ve::EngineState));
    const msi physicsSize = msi(64) << 20;
    physicsBlock.reset(new u8[physicsSize]);
    state->physicsStore = ve::createHeapStore({physicsSize, physicsBlock.get()});
    ve::engineState = state;
    setPhysicsMemoryStore(&state->physicsStore);
    new (&state->scene) phScene(1.0f / 60.0f, phVec3(0.0f, -9.8f, 0.0f), 20);
    ve::initPhysics();
}

TestEngineState::~TestEngineState() {
    ve::engineState = nullptr;
    free(state);
}

msi freeBytes(ve::MemoryStore* store) {
    msi total = 0;
    for (ve::detail::HeapFreeBlock* block = store->firstFreeBlock; block; block = block->nextFreeBlock) total += block->size;
    return total;
}

msi freeBlockCount(ve::MemoryStore* store) {
    msi count = 0;
    for (ve::detail::HeapFreeBlock* block = store->firstFreeBlock; block; block = block->nextFreeBlock) count++;
    return count;
}

} // namespace vetest
