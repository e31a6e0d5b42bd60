// metagen: writes the engine's introspection table from the declarations of the types it lists.
//
//   metagen <source dir> <type list> <output .cpp>
//
// The type list names one introspected type per line with the header (below the source dir) that
// declares it. For every type the generator reads the declaration and emits its record and member
// array; sizes and offsets are left to the compiler (sizeof, offsetof), and every member type the
// generator resolves is checked against the compiler's own view with a static assertion, so the
// table cannot drift from the structs. The records are placed into the table's slots by the
// engine's own hash table insert, so a look-up through the engine finds each one.

#include "declarations.h"

#include "Math/utilMath.h"
#include "Memory/memory.h"
#include "Util/Datastructures.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace metagen {

constexpr size_t tableSlots = 97;

const char* const primitiveTypes[] = {"u8",  "u16",  "u32", "u64", "s8", "s16", "s32",   "s64",   "f32",   "f64",
                                      "fmax", "b8", "c8",  "msi", "simdf", "simdd", "simdi", "buffer", "string"};
const char* const enumValueTypes[] = {"u8", "u16", "u32", "u64", "s8", "s16", "s32", "s64", "c8", "msi"};

struct ResolvedType {
    std::string metaType;  // enumerator of MetaType
    std::string typeName;  // "::ve::v3", "::f32", "::phScene"
    std::string cppType;   // the type for static checks; empty when unresolved
};

struct Generator {
    std::string sourceDir;
    std::vector<std::string> metaTypes; // enumerators, in numbering order
    std::set<std::string> metaTypeSet;
    std::map<std::string, TypeDecl> declarations;
    std::vector<std::string> headers;   // in list order, each once
    std::vector<const TypeDecl*> records; // in numbering order
    std::string names;                  // the pool of every name, NUL-separated
    std::map<std::string, size_t> nameOffsets;
};

std::string enumeratorOf(const std::string& qualifiedName) {
    std::string name = qualifiedName;
    for (size_t at = name.find("::"); at != std::string::npos; at = name.find("::")) name.replace(at, 2, "_");
    return name;
}

int metaTypeNumber(const Generator& g, const std::string& enumerator) {
    auto found = std::find(g.metaTypes.begin(), g.metaTypes.end(), enumerator);
    return found == g.metaTypes.end() ? -1 : (int)(found - g.metaTypes.begin());
}

bool isOneOf(const std::string& name, const char* const* list, size_t count) {
    for (size_t i = 0; i < count; i++)
        if (name == list[i]) return true;
    return false;
}

// The type of a member as C++ looks it up: from the innermost scope of the declaring record
// outwards. Only types that have a number can be found; anything else keeps its spelling.
ResolvedType resolveType(const Generator& g, const TypeDecl& owner, const MemberDecl& member) {
    std::string spelling = member.typeSpelling;
    bool absolute = spelling.rfind("::", 0) == 0;
    if (absolute) spelling = spelling.substr(2);
    std::string stars(member.pointerDepth, '*');
    if (spelling == "void") return {"Void", "::void", "void" + stars};
    if (isOneOf(spelling, primitiveTypes, std::size(primitiveTypes)))
        return {spelling, "::" + spelling, "::" + spelling + stars};
    for (size_t depth = absolute ? 0 : owner.scope.size(); depth + 1 > 0; depth--) {
        std::string candidate;
        for (size_t i = 0; i < depth; i++) candidate += owner.scope[i] + "::";
        candidate += spelling;
        if (g.metaTypeSet.count(enumeratorOf(candidate)))
            return {enumeratorOf(candidate), "::" + candidate, "::" + candidate + stars};
    }
    return {"Unresolved", "::" + spelling, ""};
}

size_t internName(Generator* g, const std::string& text) {
    auto found = g->nameOffsets.find(text);
    if (found != g->nameOffsets.end()) return found->second;
    size_t offset = g->names.size();
    g->names += text;
    g->names.push_back('\0');
    g->nameOffsets[text] = offset;
    return offset;
}

std::string stringLiteral(Generator* g, const std::string& text) {
    return "{" + std::to_string(text.size()) + ", __gen_names + " + std::to_string(internName(g, text)) + "}";
}

std::string hex64(u64 value) {
    char text[32];
    snprintf(text, sizeof(text), "0x%016llxull", (unsigned long long)value);
    return text;
}

// =============================================================================================
// Reading the inputs
// =============================================================================================

bool readTypeList(Generator* g, const std::string& listPath, std::vector<std::pair<std::string, std::string>>* list,
                  std::string* error) {
    std::ifstream file(listPath);
    if (!file) {
        *error = listPath + ": cannot be read";
        return false;
    }
    std::string line;
    int lineNumber = 0;
    while (std::getline(file, line)) {
        lineNumber++;
        std::istringstream words(line);
        std::string typeName, header, extra;
        words >> typeName;
        if (typeName.empty() || typeName[0] == '#') continue;
        words >> header >> extra;
        if (header.empty() || !extra.empty()) {
            *error = listPath + ":" + std::to_string(lineNumber) + ": expected '<qualified type> <header>'";
            return false;
        }
        list->push_back({typeName, header});
        if (std::find(g->headers.begin(), g->headers.end(), header) == g->headers.end()) g->headers.push_back(header);
    }
    return true;
}

bool collectRecords(Generator* g, const std::vector<std::pair<std::string, std::string>>& list, std::string* error) {
    std::set<std::string> seen;
    for (const auto& [typeName, header] : list) {
        auto found = g->declarations.find(typeName);
        if (found == g->declarations.end() || found->second.sourcePath != g->sourceDir + "/" + header) {
            *error = header + ": does not declare " + typeName;
            return false;
        }
        std::string enumerator = enumeratorOf(typeName);
        if (!g->metaTypeSet.count(enumerator) || enumerator == "ve_EntityType") {
            *error = typeName + ": not a numbered introspected type";
            return false;
        }
        if (!seen.insert(typeName).second) {
            *error = typeName + ": listed twice";
            return false;
        }
        if (found->second.isEnum && !isOneOf(found->second.enumValueType, enumValueTypes, std::size(enumValueTypes))) {
            *error = typeName + ": its value type must be one of the integer types";
            return false;
        }
        g->records.push_back(&found->second);
    }
    if (g->records.size() > tableSlots) {
        *error = "more types than the table has slots";
        return false;
    }
    std::sort(g->records.begin(), g->records.end(), [g](const TypeDecl* a, const TypeDecl* b) {
        return metaTypeNumber(*g, enumeratorOf(a->qualifiedName)) < metaTypeNumber(*g, enumeratorOf(b->qualifiedName));
    });
    return true;
}

// =============================================================================================
// Writing the table
// =============================================================================================

std::string memberArrayName(const TypeDecl& type) { return "__MemberData_" + enumeratorOf(type.qualifiedName); }

// Members that are fixed-size arrays are left out of the table.
std::vector<const MemberDecl*> listedMembers(const TypeDecl& type) {
    std::vector<const MemberDecl*> members;
    for (const MemberDecl& member : type.members)
        if (!member.isArray) members.push_back(&member);
    return members;
}

size_t memberCountOf(const TypeDecl& type) {
    return type.isEnum ? type.enumerators.size() : listedMembers(type).size();
}

void writeMemberArray(Generator* g, const TypeDecl& type, std::ostream& out, std::ostream& checks) {
    size_t count = memberCountOf(type);
    if (type.isEnum) {
        out << "EnumMemberMetaData " << memberArrayName(type) << "[" << std::max<size_t>(count, 1) << "] = {\n";
        for (const std::string& enumerator : type.enumerators)
            out << "    {" << stringLiteral(g, enumerator) << ", (u64)" << type.qualifiedName << "::" << enumerator
                << "},\n";
        out << "};\n\n";
        checks << "static_assert(std::is_same_v<std::underlying_type_t<" << type.qualifiedName << ">, ::"
               << type.enumValueType << ">);\n";
        return;
    }
    out << "StructMemberMetaData " << memberArrayName(type) << "[" << std::max<size_t>(count, 1) << "] = {\n";
    for (const MemberDecl* member : listedMembers(type)) {
        ResolvedType resolved = resolveType(*g, type, *member);
        std::string offset = member->bitWidth < 0
                                 ? "offsetof(" + type.qualifiedName + ", " + member->name + ")"
                                 : "(" + member->bitGroupBase + ") + " + std::to_string(member->bitFieldByte);
        out << "    {" << stringLiteral(g, member->name) << ", MetaType::" << resolved.metaType << ", "
            << stringLiteral(g, resolved.typeName) << ", " << offset << ", " << member->pointerDepth << "},\n";
        if (!resolved.cppType.empty() && !member->spelledConst)
            checks << "static_assert(std::is_same_v<decltype(" << type.qualifiedName << "::" << member->name << "), "
                   << resolved.cppType << ">);\n";
    }
    out << "};\n\n";
}

std::string recordInitializer(Generator* g, const TypeDecl& type) {
    std::ostringstream record;
    record << "{" << stringLiteral(g, "::" + type.qualifiedName) << ", MetaType::" << enumeratorOf(type.qualifiedName)
           << ", MetaDataType::" << (type.isEnum ? "Enum" : "Struct") << ", sizeof(" << type.qualifiedName << "), "
           << memberCountOf(type) << ", ";
    if (type.isEnum)
        record << "{.enumData = {MetaType::" << type.enumValueType << ", " << memberArrayName(type) << "}}}";
    else
        record << "{.structData = {" << (type.isUnion ? 1 : 0) << ", " << memberArrayName(type) << "}}}";
    return record.str();
}

// Inserts every record's key with the engine's own table code, in numbering order, and reads
// back which slot each one took.
bool placeRecords(Generator* g, std::vector<int>* slotRecord, std::vector<ve::Hash>* slotKey, std::string* error) {
    static u8 storeMemory[1 << 16];
    ve::MemoryStore store = ve::createHeapStore({sizeof(storeMemory), storeMemory});
    ve::Table table = ve::createTbl(sizeof(u32), tableSlots, &store);
    for (size_t i = 0; i < g->records.size(); i++) {
        std::string name = "::" + g->records[i]->qualifiedName;
        ve::Hash key = ve::hashBuffer({name.size(), (u8*)name.data()});
        u32* value = (u32*)ve::createNewTblEntry(key, &table);
        if (*value != 0) {
            *error = name + ": its key collides with another record's";
            return false;
        }
        *value = (u32)i + 1;
    }
    slotRecord->assign(tableSlots, -1);
    slotKey->assign(tableSlots, ve::Hash{});
    for (size_t slot = 0; slot < tableSlots; slot++) {
        if (!table.entries[slot].used) continue;
        (*slotRecord)[slot] = (int)((u32*)table.values)[slot] - 1;
        (*slotKey)[slot] = table.entries[slot].key;
    }
    return true;
}

bool writeTable(Generator* g, const std::string& outPath, std::string* error) {
    std::vector<int> slotRecord;
    std::vector<ve::Hash> slotKey;
    if (!placeRecords(g, &slotRecord, &slotKey, error)) return false;

    std::ostringstream arrays, checks, values, entries;
    for (const TypeDecl* type : g->records) writeMemberArray(g, *type, arrays, checks);
    for (size_t slot = 0; slot < tableSlots; slot++) {
        if (slotRecord[slot] < 0) {
            values << "    {},\n";
            entries << "    {},\n";
            continue;
        }
        values << "    " << recordInitializer(g, *g->records[slotRecord[slot]]) << ",\n";
        entries << "    {{{" << hex64(slotKey[slot].lo) << ", " << hex64(slotKey[slot].hi) << "}}, 1},\n";
    }

    std::ostringstream out;
    out << "// Generated by tools/metagen from src/Meta/introspected_types.txt: do not edit.\n\n";
    out << "#include \"Generated/gen_metaDataTable.h\"\n\n";
    for (const std::string& header : g->headers) out << "#include \"" << header << "\"\n";
    out << "\n#include <stddef.h>\n#include <type_traits>\n\n";
    out << "// offsetof on members of anonymous aggregates of records that have member functions.\n";
    out << "#pragma GCC diagnostic ignored \"-Winvalid-offsetof\"\n\n";
    out << "namespace ve::gen {\n\n";
    std::string arrayText = arrays.str(); // interns every name before the pool is written
    std::string valueText = values.str();
    out << "static u8 __gen_names[] = \"";
    for (char c : g->names) out << (c == '\0' ? std::string("\\0") : std::string(1, c));
    out << "\";\n\n" << arrayText;
    out << "MetaData __gen_metaDataValues[" << tableSlots << "] = {\n" << valueText << "};\n\n";
    out << "Table::TableEntry __gen_metaDataEntries[" << tableSlots << "] = {\n" << entries.str() << "};\n\n";
    out << "} // namespace ve::gen\n\n";
    out << "namespace ve {\n\nTable metaDataTable = {gen::__gen_metaDataEntries, gen::__gen_metaDataValues, "
           "sizeof(MetaData), "
        << tableSlots << ", " << g->records.size() << "};\n\n} // namespace ve\n\n";
    out << "// The generator's reading of every member type, checked against the compiler's.\n";
    out << checks.str();

    // Rewrite only on change, so an unchanged table does not rebuild the engine.
    std::string text = out.str();
    std::ifstream previous(outPath, std::ios::binary);
    std::stringstream previousText;
    previousText << previous.rdbuf();
    if (previous && previousText.str() == text) return true;
    std::ofstream file(outPath, std::ios::binary);
    file << text;
    if (!file) {
        *error = outPath + ": cannot be written";
        return false;
    }
    return true;
}

bool run(const std::string& sourceDir, const std::string& listPath, const std::string& outPath, std::string* error) {
    Generator g;
    g.sourceDir = sourceDir;
    if (!readEnumerators(sourceDir + "/Meta/introspectionDef.h", "ve::MetaType", &g.metaTypes, error)) return false;
    g.metaTypeSet.insert(g.metaTypes.begin(), g.metaTypes.end());
    std::vector<std::pair<std::string, std::string>> list;
    if (!readTypeList(&g, listPath, &list, error)) return false;
    for (const std::string& header : g.headers)
        if (!readDeclarations(sourceDir + "/" + header, &g.declarations, error)) return false;
    if (!collectRecords(&g, list, error)) return false;
    return writeTable(&g, outPath, error);
}

} // namespace metagen

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: metagen <source dir> <type list> <output .cpp>\n");
        return 2;
    }
    std::string error;
    if (!metagen::run(argv[1], argv[2], argv[3], &error)) {
        fprintf(stderr, "metagen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
