#pragma once
// What the introspection generator reads out of the engine's headers: struct, union and enum
// declarations with their data members or enumerators, in declaration order.
//
// The reader understands the subset of C++ that the engine's plain data records are written in:
// namespaces, structs and unions (named, nested, anonymous), enums with a fixed value type,
// data members with pointers, fixed-size arrays and bit-fields, and it skips everything else that
// may stand beside them (functions and their bodies, operators, constructors, typedefs, static
// members, templates, attributes). What it cannot place it reports as an error, so a declaration
// it misreads fails the build instead of producing a wrong table.

#include <map>
#include <string>
#include <vector>

namespace metagen {

struct MemberDecl {
    std::string name;
    // The type as spelled, without cv-qualifiers or pointers ("f32", "ve::v3", "Table::TableEntry").
    std::string typeSpelling;
    bool spelledConst = false;
    int pointerDepth = 0;
    bool isArray = false;
    // Bit-fields: their width, and their byte offset counted from the start of the anonymous
    // aggregate that holds them (`bitGroupBase`, a C++ offset expression).
    int bitWidth = -1;
    int bitFieldByte = 0;
    std::string bitGroupBase;
};

struct TypeDecl {
    std::string qualifiedName;            // "ve::Table::TableEntry"
    std::vector<std::string> scope;       // the scopes its members are looked up in: {"ve", "Table", "TableEntry"}
    bool isEnum = false;
    bool isUnion = false;
    std::string enumValueType;            // spelled fixed value type of an enum ("u32")
    std::vector<MemberDecl> members;      // struct: data members, anonymous aggregates flattened
    std::vector<std::string> enumerators; // enum: enumerator names in order
    bool laterValuesExplicit = false; // an enumerator after the first has "= value"
    std::string sourcePath;
};

// Every struct, union and enum that `path` declares at namespace scope or nested in another
// record, by qualified name. Appends to `types`; returns false and fills `error` on a declaration
// that the reader cannot represent.
bool readDeclarations(const std::string& path, std::map<std::string, TypeDecl>* types, std::string* error);

// The enumerator names of the enum `enumName` declared in `path`, in order; enumerators must not
// carry explicit values other than the first one's 0.
bool readEnumerators(const std::string& path, const std::string& enumName, std::vector<std::string>* names,
                     std::string* error);

} // namespace metagen
