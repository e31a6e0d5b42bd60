#include "Debug/fieldEditor.h"

#include "Core/Scene/scene.h"
#include "Debug/editorActions.h"
#include "Debug/editorText.h"
#include "Meta/introspection.h"
#include "Physics/physics.h"
#include "Util/string.h"

#include <imgui.h>

namespace ve {

namespace fields {

constexpr const c8* FLOAT_FORMAT = "%.3f";
constexpr const c8* DOUBLE_FORMAT = "%.6f";
// Masks and flag words are edited as eight hexadecimal digits.
constexpr const c8* HEX_FORMAT = "%08X";
constexpr ImGuiInputTextFlags HEX_INPUT = ImGuiInputTextFlags_CharsHexadecimal;
// The step buttons of integer inputs: +-1, with Ctrl +-100.
constexpr s64 INTEGER_STEP = 1;
constexpr s64 INTEGER_FAST_STEP = 100;

// =============================================================================================
// Small widgets
// =============================================================================================

// An integer input of the field's own width, with steps of that width.
template <typename T>
void drawIntegerInput(const c8* label, ImGuiDataType dataType, void* field) {
    T step = (T)INTEGER_STEP;
    T fastStep = (T)INTEGER_FAST_STEP;
    ImGui::InputScalar(label, dataType, field, &step, &fastStep);
}

void drawFloatRow(const c8* label, f32* values, u32 count) {
    switch (count) {
    case 2: ImGui::InputFloat2(label, values, FLOAT_FORMAT); break;
    case 3: ImGui::InputFloat3(label, values, FLOAT_FORMAT); break;
    case 4: ImGui::InputFloat4(label, values, FLOAT_FORMAT); break;
    default: VE_INVALID_CASE();
    }
}

// A column-major matrix of `size` columns of `size` floats, one row of inputs per column.
void drawMatrix(f32* elements, u32 size, string label) {
    static const c8* rowLabels[4] = {"Col1", "Col2", "Col3", "Col4"};
    if (!ImGui::TreeNode(frameText(label))) return;
    for (u32 column = 0; column < size; column++) drawFloatRow(rowLabels[column], elements + column * size, size);
    ImGui::TreePop();
}

// =============================================================================================
// Members by kind
// =============================================================================================

void drawStringField(string* field, const c8* label) {
    ImGui::Text("%.*s", (int)field->length, (const c8*)field->data);
    if (ImGui::Button(label)) toggleEditString(field);
}

void drawReferenceField(EntityRef* field, const c8* label) {
    ImGui::Text("%s", label);
    Entity* target = getEntity(editorScene(), field->id);
    if (ImGui::Button(target ? frameText(target->name) : "null")) debugState->selectedEntityRef = field;
}

void drawNestedStruct(MetaData* metaData, u8* field, const c8* label) {
    if (!ImGui::TreeNode(label)) return;
    for (msi i = 0; i < metaData->memberCount; i++) drawEntityFieldEditor(&metaData->data.structData.structMembers[i], field);
    ImGui::TreePop();
}

// The widget by the member's type number; `metaData` is the member type's record, or null.
void drawByType(StructMemberMetaData* member, MetaData* metaData, u8* field, const c8* label) {
    switch (member->type) {
    case MetaType::s8:
    case MetaType::c8: drawIntegerInput<s8>(label, ImGuiDataType_S8, field); break;
    case MetaType::u8: drawIntegerInput<u8>(label, ImGuiDataType_U8, field); break;
    case MetaType::s16: drawIntegerInput<s16>(label, ImGuiDataType_S16, field); break;
    case MetaType::u16: drawIntegerInput<u16>(label, ImGuiDataType_U16, field); break;
    case MetaType::s32: drawIntegerInput<s32>(label, ImGuiDataType_S32, field); break;
    case MetaType::u32: drawIntegerInput<u32>(label, ImGuiDataType_U32, field); break;
    case MetaType::s64: drawIntegerInput<s64>(label, ImGuiDataType_S64, field); break;
    case MetaType::u64: drawIntegerInput<u64>(label, ImGuiDataType_U64, field); break;
    case MetaType::f32: ImGui::InputFloat(label, (f32*)field, 0.0f, 0.0f, FLOAT_FORMAT); break;
    case MetaType::f64: ImGui::InputDouble(label, (f64*)field, 0.0, 0.0, DOUBLE_FORMAT); break;
    case MetaType::b8: drawFlagCheckbox(label, field); break;
    case MetaType::ve_v2: drawFloatRow(label, (f32*)field, 2); break;
    case MetaType::ve_v3: drawFloatRow(label, (f32*)field, 3); break;
    case MetaType::ve_v4: drawFloatRow(label, (f32*)field, 4); break;
    case MetaType::ve_mat2: drawValueEditor((mat2*)field, wrapASCIIZ(label)); break;
    case MetaType::ve_mat3: drawValueEditor((mat3*)field, wrapASCIIZ(label)); break;
    case MetaType::ve_mat4: drawValueEditor((mat4*)field, wrapASCIIZ(label)); break;
    case MetaType::string: drawStringField((string*)field, label); break;
    case MetaType::ve_EntityRef: drawReferenceField((EntityRef*)field, label); break;
    case MetaType::ve_BodyOpts: drawValueEditor((BodyOpts*)field, wrapASCIIZ(label)); break;
    default:
        if (metaData && metaData->dataType == MetaDataType::Struct) drawNestedStruct(metaData, field, label);
        else ImGui::Text("%s", label);
    }
}

// =============================================================================================
// The body options
// =============================================================================================

void drawFlagsEditor(phFlags* flags) {
    if (!ImGui::TreeNode("phFlags")) return;
    b8 checked[FLAG_CHECKBOX_COUNT];
    for (u32 i = 0; i < FLAG_CHECKBOX_COUNT; i++) checked[i] = (flags->value & FLAG_CHECKBOXES[i].bit) != 0;
    ImGui::InputScalar("Value", ImGuiDataType_U32, &flags->value, 0, 0, HEX_FORMAT, HEX_INPUT);
    u32 checkboxBits = 0;
    for (u32 i = 0; i < FLAG_CHECKBOX_COUNT; i++) {
        drawFlagCheckbox(FLAG_CHECKBOXES[i].label, &checked[i]);
        if (checked[i]) checkboxBits |= FLAG_CHECKBOXES[i].bit;
    }
    flags->value = mergeFlagBits(flags->value, checkboxBits);
    ImGui::TreePop();
}

// What a button under "Colliders" asked for; carried out after the list is drawn, since adding
// a collider moves the array.
struct ColliderEdit {
    enum Kind { None, Append, Copy, Remove } kind;
    u32 index;
};

// `typeMetaData` is the record of the collider's type enum, looked up once for the whole list.
ColliderEdit drawCollider(Primitive* collider, u32 index, MetaData* typeMetaData) {
    ColliderEdit edit = {ColliderEdit::None, index};
    ImGui::PushID((int)index);
    string indexText = s64ToString(index, &debugState->tmpStore);
    if (ImGui::TreeNode(frameText(indexText))) {
        if (ImGui::Button("+")) edit.kind = ColliderEdit::Copy;
        ImGui::SameLine();
        if (ImGui::Button("-")) edit.kind = ColliderEdit::Remove;
        drawEnumEditor(&collider->type, typeMetaData, wrapASCIIZ("Type"));
        drawValueEditor(&collider->localTransform, wrapASCIIZ("localTransform"));
        if (ImGui::TreeNode("Cuboid")) {
            drawFloatRow("Scale", (f32*)&collider->cuboid.scale, 3);
            ImGui::TreePop();
        }
        ImGui::TreePop();
    }
    ImGui::PopID();
    return edit;
}

Primitive unitCuboid() {
    Primitive collider = {};
    collider.type = Primitive_Type::Cuboid;
    collider.localTransform = iMat4();
    collider.cuboid.scale = v3{1.0f, 1.0f, 1.0f};
    return collider;
}

void applyColliderEdit(BodyOpts* opts, ColliderEdit edit) {
    switch (edit.kind) {
    case ColliderEdit::None: break;
    case ColliderEdit::Append: addColliderSceneLoad(opts, unitCuboid()); break;
    case ColliderEdit::Copy: addColliderSceneLoad(opts, opts->colliders[edit.index]); break;
    case ColliderEdit::Remove: removeColliderSceneLoad(opts, edit.index); break;
    }
}

void drawColliderList(BodyOpts* opts) {
    ColliderEdit edit = {ColliderEdit::None, 0};
    // The node's hit box reaches past its label over the "+" on its line: the button must win.
    b8 open = ImGui::TreeNodeEx("Colliders", ImGuiTreeNodeFlags_AllowItemOverlap);
    ImGui::SameLine();
    if (ImGui::Button("+")) edit.kind = ColliderEdit::Append;
    if (open) {
        MetaData* typeMetaData = findMetaData(wrapASCIIZ("::ve::Primitive_Type"));
        for (u32 i = 0; i < opts->colliderCount && opts->colliders; i++) {
            ColliderEdit asked = drawCollider(&opts->colliders[i], i, typeMetaData);
            if (asked.kind != ColliderEdit::None) edit = asked;
        }
        ImGui::TreePop();
    }
    applyColliderEdit(opts, edit);
}

// The fields of the options that mirror the live body.
void readLiveBody(BodyOpts* opts, BodyOptsAccess* body) {
    opts->position = *body->position;
    opts->rotation = *body->rotation;
    opts->collisionMask = *body->collisionMask;
    opts->linearFriction = *body->linearFriction;
    opts->angularFriction = *body->angularFriction;
    opts->flags = *body->flags;
}

b8 sameBytes(const void* a, const void* b, msi size) { return cmpBuffer({size, (u8*)a}, {size, (u8*)b}); }

b8 poseDiffers(BodyOpts* a, BodyOpts* b) {
    return !sameBytes(&a->position, &b->position, sizeof(v3)) || !sameBytes(&a->rotation, &b->rotation, sizeof(mat3));
}

b8 liveFieldsDiffer(BodyOpts* a, BodyOpts* b) {
    return poseDiffers(a, b) || a->collisionMask != b->collisionMask || a->flags.value != b->flags.value ||
           !sameBytes(&a->linearFriction, &b->linearFriction, sizeof(f32)) ||
           !sameBytes(&a->angularFriction, &b->angularFriction, sizeof(f32));
}

// Puts the record's pose, layers, damping and flags into the body. The glue places the pose (the
// body's origin lands on `position`) and refreshes the proxies at once, since a static body is
// never moved by a step. A body that the editor moves wakes, so that it falls from where it was
// put; one whose flags alone changed keeps the sleep state the flags give it.
void writeLiveBody(BodyOpts* opts, BodyOptsAccess* access, b8 moved) {
    *access->collisionMask = opts->collisionMask;
    *access->linearFriction = opts->linearFriction;
    *access->angularFriction = opts->angularFriction;
    *access->flags = opts->flags;
    setPose(opts->physicsBody, opts->position, opts->rotation);
    if (moved) wakeBody(opts->physicsBody);
}

void drawBodyFields(BodyOpts* opts) {
    drawFloatRow("Position", (f32*)&opts->position, 3);
    drawValueEditor(&opts->rotation, wrapASCIIZ("Rotation"));
    drawColliderList(opts);
    drawFloatRow("Linear Velocity", (f32*)&opts->linearVelocity, 3);
    ImGui::InputFloat("Linear Friction", &opts->linearFriction, 0.0f, 0.0f, FLOAT_FORMAT);
    drawFloatRow("Angular Velocity", (f32*)&opts->angularVelocity, 3);
    ImGui::InputFloat("Angular Friction", &opts->angularFriction, 0.0f, 0.0f, FLOAT_FORMAT);
    ImGui::InputFloat("Gravity", &opts->gravity, 0.0f, 0.0f, FLOAT_FORMAT);
    ImGui::InputScalar("Collsion Mask", ImGuiDataType_U32, &opts->collisionMask, 0, 0, HEX_FORMAT, HEX_INPUT);
    drawFlagsEditor(&opts->flags);
}

} // namespace fields

// Dear ImGui's checkbox takes a bool, whose bytes may not be any value a b8 can hold.
b8 drawFlagCheckbox(const c8* label, b8* flag) {
    bool value = *flag != 0;
    if (!ImGui::Checkbox(label, &value)) return false;
    *flag = value;
    return true;
}

void drawValueEditor(mat2* value, string label) { fields::drawMatrix((f32*)value, 2, label); }
void drawValueEditor(mat3* value, string label) { fields::drawMatrix((f32*)value, 3, label); }
void drawValueEditor(mat4* value, string label) { fields::drawMatrix((f32*)value, 4, label); }

void drawValueEditor(BodyOpts* value, string label) {
    if (!ImGui::TreeNode(frameText(label))) return;
    BodyOptsAccess access;
    b8 live = getBodyStruct(value->physicsBody, &access);
    if (live) fields::readLiveBody(value, &access);
    BodyOpts before = *value;
    fields::drawBodyFields(value);
    // Velocities and gravity stay in the record: they take effect when the body is built again.
    if (live && fields::liveFieldsDiffer(&before, value)) fields::writeLiveBody(value, &access, fields::poseDiffers(&before, value));
    ImGui::TreePop();
}

void drawEnumEditor(void* enumPtr, MetaData* metaData, string fieldName) {
    VE_ASSERT_NOT_NULL(metaData);
    VE_ASSERT_NOT_NULL(enumPtr);
    VE_ASSERT(metaData->dataType == MetaDataType::Enum);
    const c8* label = fieldLabel(fieldName, metaData->name);
    EnumMemberMetaData* members = metaData->data.enumData.enumMembers;
    if (metaData->memberCount == 0) {
        if (ImGui::BeginCombo(label, "Empty Enum Type")) ImGui::EndCombo();
        return;
    }
    u64 current = getEnumValueCastedToU64(enumPtr, metaData);
    const c8* preview = "Invalid Enum Value";
    for (msi i = 0; i < metaData->memberCount; i++) {
        if (members[i].value != current) continue;
        preview = frameText(members[i].name);
        break;
    }
    if (!ImGui::BeginCombo(label, preview)) return;
    for (msi i = 0; i < metaData->memberCount; i++) {
        if (ImGui::Selectable(frameText(members[i].name), members[i].value == current))
            setEnumValueCastedFromU64(enumPtr, metaData, members[i].value);
    }
    ImGui::EndCombo();
}

void drawEntityFieldEditor(StructMemberMetaData* member, u8* data) {
    if (member->type == MetaType::Unresolved) return;
    u8* field = data + member->offsetInStruct;
    ImGui::PushID(member);
    MetaData* metaData = findMetaData(member->typeName);
    b8 isEnum = metaData && metaData->dataType == MetaDataType::Enum;
    // The enum editor builds the same label itself: every other widget gets it here, once.
    if (isEnum && member->numIndirections == 0) {
        drawEnumEditor(field, metaData, member->name);
    } else {
        const c8* label = fieldLabel(member->name, member->typeName);
        // A pointer is bound by an init function; editing its bytes as its pointee would break it.
        if (member->numIndirections != 0) ImGui::Text("%s*", label);
        else fields::drawByType(member, metaData, field, label);
    }
    ImGui::PopID();
}

} // namespace ve
