#include "Physics/common/phSettings.h"

#include <stdio.h>
#include <stdlib.h>

void phAssertionFailed(const char* condition, const char* file, i32 line) {
    fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", condition, file, line);
    fflush(stderr);
    abort();
}
