#include "diskFiles.h"

#include <stdio.h>

namespace diskfiles {

std::vector<u8> readWholeFile(const char* path) {
    std::vector<u8> bytes;
    FILE* file = fopen(path, "rb");
    if (!file) return bytes;
    fseek(file, 0, SEEK_END);
    bytes.resize((size_t)ftell(file));
    fseek(file, 0, SEEK_SET);
    size_t got = fread(bytes.data(), 1, bytes.size(), file);
    fclose(file);
    bytes.resize(got);
    return bytes;
}

} // namespace diskfiles
