#pragma once
// Texts that the editor builds for one frame, in its per-frame store (Dear ImGui wants
// NUL-terminated labels; the engine's strings are not terminated).

#include "Platform/machineDef.h"

namespace ve {

// A NUL-terminated copy of `text`, valid until the next editor frame; "" when the per-frame store
// is full.
const c8* frameText(string text);
// The part of a qualified name after its last colon ("::game::CubeEntity" gives CubeEntity); the
// whole name when it has none.
string afterLastColon(string name);
// A field's label: its name, " : " and its type's name after the last colon.
const c8* fieldLabel(string name, string typeName);

} // namespace ve
