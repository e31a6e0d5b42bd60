#include "byteWriter.h"

#include <string.h>

namespace bytewriter {

void putLE(std::vector<u8>* out, u64 value, int size) {
    for (int i = 0; i < size; ++i) out->push_back((u8)(value >> (8 * i)));
}

void putF32(std::vector<u8>* out, f32 value) {
    u32 bits;
    memcpy(&bits, &value, 4);
    putLE(out, bits, 4);
}

void putHash(std::vector<u8>* out, ve::Hash hash) {
    putLE(out, hash.lo, 8);
    putLE(out, hash.hi, 8);
}

void putText(std::vector<u8>* out, const char* text) { out->insert(out->end(), text, text + strlen(text)); }

void putAt(std::vector<u8>* out, u64 offset, u64 value) {
    for (int i = 0; i < 8; ++i) (*out)[offset + i] = (u8)(value >> (8 * i));
}

} // namespace bytewriter
