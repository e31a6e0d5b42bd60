// Lane hash throughput, its ceiling, and the cost of hashing names.
//
// The ceiling is the bare work of the algorithm: one AES round per 16 bytes on four independent
// lanes, i.e. a loop of four loads and four AESDEC per 64-byte block and nothing else. The hash
// on 1 MiB should run within a few percent of it.

#include "Math/Hash/lane_hash.h"
#include "Math/utilMath.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

std::vector<u8> inputOf(size_t length) {
    std::vector<u8> bytes(length + 64);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = (u8)(i * 97 + 13);
    return bytes;
}

void BM_LaneHash(benchmark::State& state) {
    const size_t length = (size_t)state.range(0);
    std::vector<u8> input = inputOf(length);
    for (auto _ : state) {
        lane_hash h = LaneHash_Accelerated(0, length, input.data());
        benchmark::DoNotOptimize(h);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)length);
}
BENCHMARK(BM_LaneHash)->Arg(16)->Arg(64)->Arg(1024)->Arg(1 << 20);

// Four independent AES rounds per 64-byte block: what the hash cannot beat.
void BM_BareFourLaneAesLoop(benchmark::State& state) {
    const size_t length = (size_t)state.range(0);
    std::vector<u8> input = inputOf(length);
    for (auto _ : state) {
        __m128i s0 = _mm_setzero_si128(), s1 = _mm_set1_epi8(1), s2 = _mm_set1_epi8(2), s3 = _mm_set1_epi8(3);
        const u8* at = input.data();
        for (size_t block = 0; block < length / 64; ++block, at += 64) {
            s0 = _mm_aesdec_si128(s0, _mm_loadu_si128((const __m128i*)(at + 0)));
            s1 = _mm_aesdec_si128(s1, _mm_loadu_si128((const __m128i*)(at + 16)));
            s2 = _mm_aesdec_si128(s2, _mm_loadu_si128((const __m128i*)(at + 32)));
            s3 = _mm_aesdec_si128(s3, _mm_loadu_si128((const __m128i*)(at + 48)));
        }
        benchmark::DoNotOptimize(s0);
        benchmark::DoNotOptimize(s1);
        benchmark::DoNotOptimize(s2);
        benchmark::DoNotOptimize(s3);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)length);
}
BENCHMARK(BM_BareFourLaneAesLoop)->Arg(1 << 20);

// Names as the engine hashes them on every lookup: entity, asset and type names.
void BM_HashName(benchmark::State& state) {
    const size_t length = (size_t)state.range(0);
    std::vector<u8> input = inputOf(length);
    // Vary the start a little, as names sit at arbitrary addresses.
    size_t offset = 0;
    for (auto _ : state) {
        ve::Hash h = ve::hashBuffer({length, input.data() + offset});
        benchmark::DoNotOptimize(h);
        offset = (offset + 1) & 15;
    }
}
BENCHMARK(BM_HashName)->Arg(8)->Arg(24)->Arg(64);

} // namespace
