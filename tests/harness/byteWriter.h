#pragma once
// Writing file fixtures by hand, field by field from a format: every number little-endian, with
// no padding, appended to a byte vector.

#include "Math/utilMath.h"
#include "Platform/machineDef.h"

#include <vector>

namespace bytewriter {

// Appends `value` as `size` little-endian bytes.
void putLE(std::vector<u8>* out, u64 value, int size);
// Appends the four bytes of `value`'s IEEE single-precision encoding.
void putF32(std::vector<u8>* out, f32 value);
// Appends an identifier: its low eight bytes, then its high eight.
void putHash(std::vector<u8>* out, ve::Hash hash);
// Appends the text's bytes, without a terminating zero.
void putText(std::vector<u8>* out, const char* text);
// Overwrites the eight bytes at `offset` with `value`, little-endian (offsets patched in later).
void putAt(std::vector<u8>* out, u64 offset, u64 value);

} // namespace bytewriter
