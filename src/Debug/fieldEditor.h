#pragma once
// The field editor: one Dear ImGui widget per member of an entity's data record, chosen from the
// introspection table and bound to the member's bytes, so every change is live at once.
//
// Called inside the "Selected Entity" window. Every label and text it builds lives in the
// editor's per-frame store.

#include "Meta/introspectionDef.h"
#include "Math/mat2.h"
#include "Math/mat3.h"
#include "Math/mat4.h"
#include "Physics/physics.h"

namespace ve {

// The widget of `member` of the struct that starts at `data`. Each member's widgets have their
// own id scope, so equal labels of different members (several "null" buttons) stay apart.
void drawEntityFieldEditor(StructMemberMetaData* member, u8* data);
// A combo box over the members of the enum `metaData`, on the value at `enumPtr`.
void drawEnumEditor(void* enumPtr, MetaData* metaData, string fieldName);

// Matrices as tree nodes of rows "Col1", "Col2", ... (the columns).
void drawValueEditor(mat2* value, string label);
void drawValueEditor(mat3* value, string label);
void drawValueEditor(mat4* value, string label);
// Body options as a tree node. While it is open the record follows the entity's live body, and
// an edit reaches the body in the same frame; a record whose id names no live body (an entity
// whose init made none) is edited alone.
void drawValueEditor(BodyOpts* value, string label);

// A checkbox over a one-byte flag; true when it was clicked.
b8 drawFlagCheckbox(const c8* label, b8* flag);

} // namespace ve
