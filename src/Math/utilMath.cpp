#include "Math/utilMath.h"

#include <string.h>

namespace ve {

Hash hashBuffer(buffer buf) {
    Hash result;
    result.h = LaneHash_Accelerated(0, buf.length, buf.data);
    return result;
}

Hash hashString(string str) {
    return hashBuffer(str);
}

Hash hashASCIIZ(const c8* string) {
    return hashBuffer({strlen(string), (u8*)string});
}

} // namespace ve
