#include "Core/console.h"

#include "Core/engine_globals.h"

#include <stdarg.h>
#include <stdio.h>

namespace ve {

void printFormattedLine(const c8* format, ...) {
    c8 line[consoleLineCapacity];
    va_list args;
    va_start(args, format);
    s32 length = vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    if (length < 0) return;
    if ((msi)length >= sizeof(line)) length = sizeof(line) - 1;
    platform->print(string{(msi)length, (u8*)line});
}

} // namespace ve
