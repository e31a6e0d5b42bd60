#pragma once
// Integer helpers.

#include "Platform/machineDef.h"

namespace ve {

inline u64 max(u64 a, u64 b) { return a > b ? a : b; }
inline u64 min(u64 a, u64 b) { return a < b ? a : b; }

inline void swap(c8* a, c8* b) {
    c8 t = *a;
    *a = *b;
    *b = t;
}

} // namespace ve
