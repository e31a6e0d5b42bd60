#include "Math/Hash/lane_hash.h"

#include <string.h>

alignas(16) const u8 LaneMaskLen[32] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

alignas(16) const u8 LaneShiftAdjust[32] = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x00,
};

namespace ve::detail {

// Lane start values: lane k holds the bytes 16k .. 16k + 15 in order.
alignas(16) static const u8 laneHashStartValues[64] = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,
};

static inline u64 loadLaneHashU64(const u8* at) {
    u64 value;
    memcpy(&value, at, sizeof(value));
    return value;
}

static inline u32 loadLaneHashU32(const u8* at) {
    u32 value;
    memcpy(&value, at, sizeof(value));
    return value;
}

// The r (1 to 15) bytes of an input shorter than 16 bytes, zero-padded to 16, read with
// overlapping loads that all stay inside [at, at + r).
static inline __m128i loadShortLaneHashInput(const u8* at, u64 r) {
    if (r >= 8) {
        u64 low = loadLaneHashU64(at);
        // The last eight bytes end at the input's end; keep the r - 8 that follow the first eight.
        // (Two shifts, because a shift by 64 would be undefined for r == 8.)
        u64 high = (loadLaneHashU64(at + r - 8) >> (8 * (15 - r))) >> 8;
        return _mm_set_epi64x((long long)high, (long long)low);
    }
    if (r >= 4) {
        u64 low = loadLaneHashU32(at);
        u64 high = (u64)loadLaneHashU32(at + r - 4) >> (8 * (8 - r));
        return _mm_set_epi64x(0, (long long)(low | high << 32));
    }
    u64 value = (u64)at[0] | (u64)at[r / 2] << (8 * (r / 2)) | (u64)at[r - 1] << (8 * (r - 1));
    return _mm_set_epi64x(0, (long long)value);
}

// The r (1 to 15) trailing bytes at `tail`, zero-padded to 16 bytes. No byte outside the input is
// read: when the input holds at least 16 bytes, the 16 bytes that end at the input's end are read
// and shifted down by 16 - r bytes; only a shorter input needs the small loads.
static inline __m128i loadLaneHashTail(const u8* tail, u64 r, u64 totalLength) {
    if (totalLength < 16) return loadShortLaneHashInput(tail, r);
    __m128i last16 = _mm_loadu_si128((const __m128i*)(tail + r - 16));
    __m128i shiftDown = _mm_loadu_si128((const __m128i*)(LaneShiftAdjust + 16 - r));
    return _mm_shuffle_epi8(last16, shiftDown);
}

} // namespace ve::detail

lane_hash LaneHash_Accelerated(u64 Seed, u64 TotalLengthInBytes, void* SourceInit) {
    using namespace ve::detail;
    const u8* source = (const u8*)SourceInit;
    const u64 length = TotalLengthInBytes;

    __m128i s0 = _mm_load_si128((const __m128i*)(laneHashStartValues + 0));
    __m128i s1 = _mm_load_si128((const __m128i*)(laneHashStartValues + 16));
    __m128i s2 = _mm_load_si128((const __m128i*)(laneHashStartValues + 32));
    __m128i s3 = _mm_load_si128((const __m128i*)(laneHashStartValues + 48));
    const __m128i mixer = _mm_set_epi64x((long long)(Seed + length + 1), (long long)(Seed - length));

    // Whole 64-byte blocks: four independent lanes, one round each.
    u64 blockCount = length / 64;
    for (u64 block = 0; block < blockCount; ++block) {
        s0 = _mm_aesdec_si128(s0, _mm_loadu_si128((const __m128i*)(source + 0)));
        s1 = _mm_aesdec_si128(s1, _mm_loadu_si128((const __m128i*)(source + 16)));
        s2 = _mm_aesdec_si128(s2, _mm_loadu_si128((const __m128i*)(source + 32)));
        s3 = _mm_aesdec_si128(s3, _mm_loadu_si128((const __m128i*)(source + 48)));
        source += 64;
    }

    // The rest: up to three 16-byte chunks on lanes 0..2, then a zero-padded tail on lane 3.
    u64 chunkCount = (length % 64) / 16;
    u64 tailLength = length % 16;
    if (tailLength > 0) s3 = _mm_aesdec_si128(s3, loadLaneHashTail(source + 16 * chunkCount, tailLength, length));
    if (chunkCount == 3) s2 = _mm_aesdec_si128(s2, _mm_loadu_si128((const __m128i*)(source + 32)));
    if (chunkCount >= 2) s1 = _mm_aesdec_si128(s1, _mm_loadu_si128((const __m128i*)(source + 16)));
    if (chunkCount >= 1) s0 = _mm_aesdec_si128(s0, _mm_loadu_si128((const __m128i*)(source + 0)));

    s3 = _mm_aesdec_si128(s3, mixer);
    s2 = _mm_aesdec_si128(s2, mixer);
    s1 = _mm_aesdec_si128(s1, mixer);
    s0 = _mm_aesdec_si128(s0, mixer);
    __m128i a = _mm_aesdec_si128(_mm_aesdec_si128(s2, s3), mixer);
    __m128i b = _mm_aesdec_si128(s0, s1);
    return _mm_aesdec_si128(_mm_aesdec_si128(b, a), mixer);
}
