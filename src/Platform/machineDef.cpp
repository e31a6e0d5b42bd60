#include "Platform/machineDef.h"

#include <stdio.h>
#include <string.h>

namespace ve::detail {

void hardAssertionFailed(const char* line) {
    fwrite(line, 1, strlen(line), stderr);
    fflush(stderr);
    __builtin_trap();
}

void softAssertionFailed(const char* line) {
    fwrite(line, 1, strlen(line), stderr);
    fflush(stderr);
}

} // namespace ve::detail
