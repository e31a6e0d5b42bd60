#pragma once
// Basic types of the whole program and the two assertion facilities.
//
// Every subsystem includes this header first. It defines the fixed-width types, the universal
// memory reference `buffer` (and `string`, the same record used for text), and the hard and soft
// assertions that report broken expectations.

#include <stddef.h>
#include <stdint.h>

typedef uint8_t u8;
typedef uint16_t u16;
typedef uint32_t u32;
typedef uint64_t u64;
typedef int8_t s8;
typedef int16_t s16;
typedef int32_t s32;
typedef int64_t s64;
typedef float f32;
typedef double f64;
// A byte-sized boolean. Kept an integer rather than `bool` so that any byte read from a file is a
// valid value of the type.
typedef u8 b8;
typedef char c8;
typedef uint64_t msi; // memory size: unsigned 64-bit

// A byte range passed by value. The empty buffer is {0, null}. Never NUL-terminated.
struct buffer {
    msi length;
    u8* data;
};
// Text: the same record as `buffer`, never NUL-terminated.
typedef buffer string;

#define VE_STRINGIFY_(x) #x
#define VE_STRINGIFY(x) VE_STRINGIFY_(x)

namespace ve::detail {
// Write one fixed line to standard error. The hard form then traps the processor: no orderly exit.
[[noreturn]] void hardAssertionFailed(const char* line);
void softAssertionFailed(const char* line);
} // namespace ve::detail

// The whole message is one literal fixed at build time:
//   ASSERTION FAILED:<file><line>: condition
#define VE_ASSERTION_LINE_(prefix, text) prefix "<" __FILE__ "><" VE_STRINGIFY(__LINE__) ">: " text "\n"

// Hard assertion: prints and stops the program at once when `cond` is false.
#define VE_ASSERT(cond)                                                                            \
    do {                                                                                           \
        if (!(cond)) ve::detail::hardAssertionFailed(VE_ASSERTION_LINE_("ASSERTION FAILED:", #cond)); \
    } while (0)
#define VE_ASSERT_NOT_NULL(ptr)                                                                    \
    do {                                                                                           \
        if (!(ptr))                                                                                \
            ve::detail::hardAssertionFailed(VE_ASSERTION_LINE_("ASSERTION FAILED:", "NOT NULL: " #ptr)); \
    } while (0)
#define VE_INVALID_CASE()                                                                          \
    ve::detail::hardAssertionFailed(VE_ASSERTION_LINE_("ASSERTION FAILED:", "Invalid case reached."))

// Soft assertion: prints when `cond` is false and goes on. It is an expression with the value of
// the condition, so a caller can write `if (!VE_SOFT_ASSERT(x)) return 0;`.
#define VE_SOFT_ASSERT(cond)                                                                       \
    ((cond) ? true                                                                                 \
            : (ve::detail::softAssertionFailed(VE_ASSERTION_LINE_("SOFT ASSERTION FAILED:", #cond)), false))
#define VE_SOFT_ASSERT_NOT_NULL(ptr)                                                               \
    ((ptr) ? true                                                                                  \
           : (ve::detail::softAssertionFailed(VE_ASSERTION_LINE_("SOFT ASSERTION FAILED:", "NOT NULL: " #ptr)), false))
