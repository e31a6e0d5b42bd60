#pragma once
// The 128-bit lane hash that makes every identifier of the program.
//
// Four lanes each take one AES decryption round per 16 bytes of input; a final mix with the
// length folds them into one value. Names are hashed with seed 0. The values are stored in scene
// files and in the generated introspection table, so they must stay bit for bit what they are.

#include "Platform/machineDef.h"

#include <immintrin.h>

typedef __m128i lane_hash;

// 16 bytes of 0xFF then 16 of 0x00: read from offset 16 - r, the mask keeping the first r bytes.
extern const u8 LaneMaskLen[32];
// 0x00..0x0F, fifteen 0x80, one 0x00: read from offset k, a byte-shuffle control that moves a
// 16-byte value down by k bytes and fills the top with zeros.
extern const u8 LaneShiftAdjust[32];

lane_hash LaneHash_Accelerated(u64 Seed, u64 TotalLengthInBytes, void* SourceInit);
