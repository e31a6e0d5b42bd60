#pragma once
// Whole files of the repository, read straight from the disk for comparison with what the engine
// reads or writes through its platform.

#include "Platform/machineDef.h"

#include <vector>

namespace diskfiles {

// The file's bytes; empty when it cannot be read.
std::vector<u8> readWholeFile(const char* path);

} // namespace diskfiles
