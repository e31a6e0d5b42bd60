#pragma once
// Scalar types, constants and the always-on assertion of the physics library.
//
// The library checks its calling rules (reverse-order stack release, known proxy ids, velocities
// only on movable bodies, ...) with `phAssert`. Unlike the C runtime's assert it stays in every
// build: a broken rule corrupts the scene silently, so a release build must stop just the same.

#include <stdint.h>

typedef float r32;
typedef int32_t i32;
typedef uint32_t u32;
typedef uint64_t u64;
typedef uint8_t u8;

const r32 phPI = r32(3.14159265358979323846);

// Largest finite single-precision value; the start of every running minimum.
const r32 phk_maxFloat = r32(3.4028235e38);

// Reports "Assertion failed: <condition>, file <file>, line <line>" on the standard error stream
// and aborts the process.
[[noreturn]] void phAssertionFailed(const char* condition, const char* file, i32 line);

// For the few small functions of the contact solver's inner loop that the compiler would
// otherwise call: a call there keeps the velocities in memory instead of registers.
#define phForceInline inline __attribute__((always_inline))

#define phAssert(expression) \
    ((expression) ? (void)0 : phAssertionFailed(#expression, __FILE__, __LINE__))
