#pragma once
// Console lines formatted with printf's conventions and written through the platform's print,
// one line per call.

#include "Platform/machineDef.h"

namespace ve {

// Formats into a line of at most `consoleLineCapacity` - 1 bytes (a longer one is cut) and
// prints it. A format that fails prints nothing.
void printFormattedLine(const c8* format, ...) __attribute__((format(printf, 1, 2)));

constexpr msi consoleLineCapacity = 512;

} // namespace ve
