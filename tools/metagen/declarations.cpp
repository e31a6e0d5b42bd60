#include "declarations.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace metagen {

// =============================================================================================
// Tokens
// =============================================================================================

namespace {

struct Token {
    std::string text;
    int line;
};

bool isIdentifierStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isIdentifierChar(char c) { return isIdentifierStart(c) || (c >= '0' && c <= '9'); }
bool isIdentifier(const std::string& text) { return !text.empty() && isIdentifierStart(text[0]); }

// Comments and preprocessor lines vanish; "::" is one token; literals are kept whole.
std::vector<Token> tokenize(const std::string& source) {
    std::vector<Token> tokens;
    size_t i = 0;
    int line = 1;
    bool lineStart = true;
    while (i < source.size()) {
        char c = source[i];
        if (c == '\n') {
            line++;
            lineStart = true;
            i++;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r') {
            i++;
            continue;
        }
        if (lineStart && c == '#') {
            // A directive runs to the end of the line, continued by a trailing backslash.
            while (i < source.size() && !(source[i] == '\n' && source[i - 1] != '\\')) {
                if (source[i] == '\n') line++;
                i++;
            }
            continue;
        }
        lineStart = false;
        if (source.compare(i, 2, "//") == 0) {
            while (i < source.size() && source[i] != '\n') i++;
            continue;
        }
        if (source.compare(i, 2, "/*") == 0) {
            size_t end = source.find("*/", i + 2);
            end = end == std::string::npos ? source.size() : end + 2;
            for (size_t k = i; k < end; k++) line += source[k] == '\n';
            i = end;
            continue;
        }
        size_t start = i;
        if (c >= '0' && c <= '9') {
            while (i < source.size() && (isIdentifierChar(source[i]) || source[i] == '.')) i++;
        } else if (isIdentifierStart(c)) {
            while (i < source.size() && isIdentifierChar(source[i])) i++;
        } else if (c == '"' || c == '\'') {
            i++;
            while (i < source.size() && source[i] != c) i += source[i] == '\\' ? 2 : 1;
            i++;
        } else if (source.compare(i, 2, "::") == 0) {
            i += 2;
        } else {
            i++;
        }
        tokens.push_back({source.substr(start, i - start), line});
    }
    return tokens;
}

// =============================================================================================
// The reader
// =============================================================================================

struct Reader {
    std::vector<Token> tokens;
    size_t at = 0;
    std::string path;
    std::map<std::string, TypeDecl>* types;
    std::string error;

    bool done() const { return at >= tokens.size() || !error.empty(); }
    const std::string& peek(size_t ahead = 0) const {
        static const std::string none;
        return at + ahead < tokens.size() ? tokens[at + ahead].text : none;
    }
    void fail(const std::string& message) {
        if (!error.empty()) return;
        int line = at < tokens.size() ? tokens[at].line : (tokens.empty() ? 0 : tokens.back().line);
        error = path + ":" + std::to_string(line) + ": " + message;
    }
};

std::string joinScope(const std::vector<std::string>& scope) {
    std::string name;
    for (const std::string& part : scope) name += (name.empty() ? "" : "::") + part;
    return name;
}

// Skips a balanced bracket group starting at the opening token.
void skipGroup(Reader* r) {
    int depth = 0;
    do {
        const std::string& t = r->peek();
        if (t == "{" || t == "(" || t == "[") depth++;
        if (t == "}" || t == ")" || t == "]") depth--;
        r->at++;
    } while (!r->done() && depth > 0);
}

// Skips one declaration that is of no interest: up to its ';', or through the body of a
// function (which ends it without a ';').
void skipDeclaration(Reader* r) {
    while (!r->done()) {
        const std::string& t = r->peek();
        if (t == ";") {
            r->at++;
            return;
        }
        if (t == "}") return; // the enclosing scope ends; a stray declaration without ';'
        if (t == "(" || t == "[") {
            skipGroup(r);
            continue;
        }
        if (t == "{") {
            skipGroup(r);
            if (r->peek() == ";") r->at++;
            // A brace-initialised variable goes on to its ';'; a function body ends here.
            else if (r->peek() == "," || r->peek() == "=") continue;
            return;
        }
        r->at++;
    }
}

// Attributes carry parentheses that would otherwise look like a function's.
bool skipAttribute(Reader* r) {
    const std::string& t = r->peek();
    if (t == "alignas" || t == "__attribute__" || t == "__declspec") {
        r->at++;
        if (r->peek() == "(") skipGroup(r);
        return true;
    }
    if (t == "[" && r->peek(1) == "[") {
        skipGroup(r);
        return true;
    }
    return false;
}

// An aggregate whose members are being read: a named record, or an anonymous union or struct
// whose members join the enclosing record. Bit-fields need the aggregate's start as an offset
// expression, since offsetof cannot name them.
struct Group {
    bool isUnion = false;
    std::string base; // offset expression of the aggregate's start; empty while unknown
    int bitPosition = 0;
    bool hasPlainMember = false;
};

void readRecordBody(Reader* r, TypeDecl* owner, const std::vector<std::string>& scope, Group* group);
void readMember(Reader* r, TypeDecl* owner, Group* group);

bool isCvQualifier(const std::string& t) { return t == "const" || t == "volatile" || t == "mutable"; }
bool isElaboration(const std::string& t) { return t == "struct" || t == "union" || t == "class" || t == "enum"; }

void placeBitField(Reader* r, Group* group, MemberDecl* member) {
    if (member->bitWidth > 8 || (group->bitPosition % 8) + member->bitWidth > 8)
        return r->fail("bit-field '" + member->name + "' straddles a byte");
    if (group->base.empty() || (!group->isUnion && group->hasPlainMember))
        return r->fail("bit-field '" + member->name + "' must open its aggregate");
    member->bitFieldByte = group->isUnion ? 0 : group->bitPosition / 8;
    member->bitGroupBase = group->base;
    if (!group->isUnion) group->bitPosition += member->bitWidth;
}

void notePlainMember(TypeDecl* owner, Group* group, const std::string& name) {
    if (group->base.empty() && (group->isUnion || (!group->hasPlainMember && group->bitPosition == 0)))
        group->base = "offsetof(" + owner->qualifiedName + ", " + name + ")";
    group->hasPlainMember = true;
}

std::string joinTypeTokens(const std::vector<std::string>& typeTokens) {
    std::string spelling;
    for (size_t i = 0; i < typeTokens.size(); i++) {
        bool glue = i > 0 && typeTokens[i] != "::" && typeTokens[i - 1] != "::" && typeTokens[i] != "<" &&
                    typeTokens[i] != ">" && typeTokens[i - 1] != "<" && typeTokens[i] != ",";
        spelling += (glue ? " " : "") + typeTokens[i];
    }
    return spelling;
}

// One data member declaration, possibly with several declarators ("f32 x, y, z;").
void readDataMembers(Reader* r, TypeDecl* owner, const std::vector<std::string>& typeTokens, bool spelledConst,
                     Group* group) {
    std::string spelling = joinTypeTokens(typeTokens);
    while (!r->done()) {
        MemberDecl member;
        member.typeSpelling = spelling;
        member.spelledConst = spelledConst;
        while (r->peek() == "*" || isCvQualifier(r->peek())) {
            if (r->peek() == "*") member.pointerDepth++;
            if (r->peek() == "const") member.spelledConst = true;
            r->at++;
        }
        if (r->peek() == "&" || r->peek() == "&&") return r->fail("reference members are not supported");
        if (r->peek() == "(")
            return r->fail("function pointer members are not supported: give the pointer type a typedef");
        if (!isIdentifier(r->peek())) return r->fail("expected a member name, found '" + r->peek() + "'");
        member.name = r->peek();
        r->at++;
        while (r->peek() == "[") {
            member.isArray = true;
            skipGroup(r);
        }
        if (r->peek() == ":") {
            r->at++;
            member.bitWidth = std::atoi(r->peek().c_str());
            r->at++;
            placeBitField(r, group, &member);
        } else {
            notePlainMember(owner, group, member.name);
        }
        if (r->peek() == "=") {
            while (!r->done() && r->peek() != "," && r->peek() != ";") {
                if (r->peek() == "{" || r->peek() == "(") skipGroup(r);
                else r->at++;
            }
        } else if (r->peek() == "{") {
            skipGroup(r);
        }
        owner->members.push_back(member);
        if (r->peek() == ",") {
            r->at++;
            continue;
        }
        if (r->peek() != ";") return r->fail("expected ';' after member '" + member.name + "'");
        r->at++;
        return;
    }
}

// enum [class] Name [: valueType] { A [= value], ... };
void readEnum(Reader* r, const std::vector<std::string>& scope) {
    r->at++; // enum
    if (r->peek() == "class" || r->peek() == "struct") r->at++;
    while (skipAttribute(r)) {}
    if (!isIdentifier(r->peek())) return skipDeclaration(r); // an anonymous enum: no record
    TypeDecl type;
    std::vector<std::string> enumScope = scope;
    enumScope.push_back(r->peek());
    type.qualifiedName = joinScope(enumScope);
    type.scope = enumScope;
    type.isEnum = true;
    type.sourcePath = r->path;
    r->at++;
    if (r->peek() == ":") {
        r->at++;
        while (!r->done() && r->peek() != "{" && r->peek() != ";") type.enumValueType += r->peek(), r->at++;
    }
    if (r->peek() != "{") return skipDeclaration(r); // a forward declaration
    r->at++;
    while (!r->done() && r->peek() != "}") {
        if (!isIdentifier(r->peek())) return r->fail("expected an enumerator in " + type.qualifiedName);
        type.enumerators.push_back(r->peek());
        r->at++;
        if (r->peek() == "=" && type.enumerators.size() > 1) type.laterValuesExplicit = true;
        while (!r->done() && r->peek() != "," && r->peek() != "}") {
            if (r->peek() == "(" || r->peek() == "{") skipGroup(r);
            else r->at++;
        }
        if (r->peek() == ",") r->at++;
    }
    r->at++; // }
    if (r->peek() == ";") r->at++;
    if (type.enumValueType.empty()) return r->fail("enum " + type.qualifiedName + " needs a fixed value type");
    (*r->types)[type.qualifiedName] = type;
}

// struct|union [attributes] [Name] { ... } [declarators];  at namespace scope or inside a record.
// `owner` is the record whose members an anonymous aggregate joins (null at namespace scope).
void readRecord(Reader* r, const std::vector<std::string>& scope, TypeDecl* owner, Group* ownerGroup) {
    bool isUnion = r->peek() == "union";
    r->at++;
    while (skipAttribute(r)) {}
    std::string name;
    if (isIdentifier(r->peek()) && r->peek() != "final") {
        name = r->peek();
        r->at++;
    }
    while (r->peek() == "final" || skipAttribute(r)) {
        if (r->peek() == "final") r->at++;
    }
    if (r->peek() != "{") {
        // An elaborated member type ("struct Foo* foo;"), or a forward declaration.
        if (!name.empty() && owner && r->peek() != ";") return readDataMembers(r, owner, {name}, false, ownerGroup);
        return skipDeclaration(r);
    }
    r->at++; // {
    if (name.empty()) {
        if (!owner) return r->fail("an anonymous aggregate at namespace scope");
        // The members of an anonymous aggregate are members of the enclosing record. Inside a
        // union every alternative starts where the union starts; inside a struct only an
        // aggregate that opens the struct has a known start.
        Group group;
        group.isUnion = isUnion;
        bool opensOwner = ownerGroup->isUnion || (!ownerGroup->hasPlainMember && ownerGroup->bitPosition == 0);
        if (opensOwner) group.base = ownerGroup->base;
        readRecordBody(r, owner, scope, &group);
        if (opensOwner && ownerGroup->base.empty()) ownerGroup->base = group.base;
        ownerGroup->hasPlainMember = true;
        if (r->peek() != ";") return r->fail("a member of an anonymous type in " + owner->qualifiedName);
        r->at++;
        return;
    }
    TypeDecl type;
    std::vector<std::string> recordScope = scope;
    recordScope.push_back(name);
    type.qualifiedName = joinScope(recordScope);
    type.scope = recordScope;
    type.isUnion = isUnion;
    type.sourcePath = r->path;
    Group group;
    group.isUnion = isUnion;
    group.base = "0";
    readRecordBody(r, &type, recordScope, &group);
    (*r->types)[type.qualifiedName] = type;
    if (r->peek() == ";") {
        r->at++;
        return;
    }
    if (!owner) return skipDeclaration(r);
    readDataMembers(r, owner, {name}, false, ownerGroup);
}

// The members up to the closing brace, which is consumed.
void readRecordBody(Reader* r, TypeDecl* owner, const std::vector<std::string>& scope, Group* group) {
    while (!r->done() && r->peek() != "}") {
        const std::string t = r->peek();
        if (t == ";") {
            r->at++;
        } else if ((t == "public" || t == "private" || t == "protected") && r->peek(1) == ":") {
            r->at += 2;
        } else if (skipAttribute(r)) {
        } else if (t == "struct" || t == "union") {
            readRecord(r, scope, owner, group);
        } else if (t == "enum") {
            readEnum(r, scope);
        } else if (t == "typedef" || t == "using" || t == "friend" || t == "static_assert" || t == "template" ||
                   t == "static" || t == "constexpr" || t == "inline" || t == "virtual" || t == "explicit" ||
                   t == "operator" || t == "~" || t == "class") {
            skipDeclaration(r);
        } else {
            readMember(r, owner, group);
        }
    }
    r->at++; // }
}

// A data member, or a member function, constructor or operator (skipped).
void readMember(Reader* r, TypeDecl* owner, Group* group) {
    // A '(' before the declaration's end, outside of an initialiser or a template argument list,
    // makes it a function; a '(' followed by '*' would be a function pointer declarator.
    int depth = 0;
    for (size_t scan = r->at; scan < r->tokens.size(); scan++) {
        const std::string& t = r->tokens[scan].text;
        if (depth == 0 && (t == ";" || t == "=" || t == "{" || t == ":" || t == "}")) break;
        if (t == "operator") return skipDeclaration(r);
        if (t == "<") depth++;
        if (t == ">") depth--;
        if (depth == 0 && t == "(") {
            if (scan + 1 < r->tokens.size() && r->tokens[scan + 1].text == "*")
                return r->fail("function pointer members are not supported: give the pointer type a typedef");
            return skipDeclaration(r);
        }
    }
    bool spelledConst = false;
    std::vector<std::string> typeTokens;
    while (isCvQualifier(r->peek()) || isElaboration(r->peek())) {
        if (r->peek() == "const") spelledConst = true;
        r->at++;
    }
    // The type is every token up to the first declarator: a pointer, or the identifier that is
    // followed by the end of a declarator.
    while (!r->done()) {
        const std::string& t = r->peek();
        if (t == "*" || t == "&") break;
        if (isCvQualifier(t)) {
            spelledConst = spelledConst || t == "const";
            r->at++;
            continue;
        }
        const std::string& next = r->peek(1);
        bool declaratorName = isIdentifier(t) && !typeTokens.empty() && typeTokens.back() != "::" &&
                              (next == ";" || next == "," || next == "[" || next == ":" || next == "=" || next == "{");
        if (declaratorName) break;
        if (t == "<") {
            int angle = 0;
            do {
                angle += r->peek() == "<" ? 1 : r->peek() == ">" ? -1 : 0;
                typeTokens.push_back(r->peek());
                r->at++;
            } while (!r->done() && angle > 0);
            continue;
        }
        typeTokens.push_back(t);
        r->at++;
    }
    if (typeTokens.empty()) return r->fail("a member without a type in " + owner->qualifiedName);
    readDataMembers(r, owner, typeTokens, spelledConst, group);
}

// Namespace scope: namespaces, records, enums; everything else is skipped.
void readScope(Reader* r, const std::vector<std::string>& scope) {
    while (!r->done() && r->peek() != "}") {
        const std::string t = r->peek();
        if (t == "namespace") {
            r->at++;
            std::vector<std::string> inner = scope;
            while (isIdentifier(r->peek()) || r->peek() == "::") {
                if (r->peek() != "::") inner.push_back(r->peek());
                r->at++;
            }
            if (r->peek() != "{") {
                skipDeclaration(r); // a namespace alias
                continue;
            }
            r->at++;
            readScope(r, inner);
            r->at++; // }
        } else if (t == "extern" && !r->peek(1).empty() && r->peek(1)[0] == '"' && r->peek(2) == "{") {
            r->at += 3;
            readScope(r, scope);
            r->at++;
        } else if (t == "template") {
            r->at++;
            if (r->peek() == "<") {
                int depth = 0;
                do {
                    depth += r->peek() == "<" ? 1 : r->peek() == ">" ? -1 : 0;
                    r->at++;
                } while (!r->done() && depth > 0);
            }
            skipDeclaration(r);
        } else if (t == "struct" || t == "union") {
            Group none;
            readRecord(r, scope, nullptr, &none);
        } else if (t == "enum") {
            readEnum(r, scope);
        } else {
            skipDeclaration(r);
        }
    }
}

bool readFile(const std::string& path, std::string* text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::stringstream contents;
    contents << file.rdbuf();
    *text = contents.str();
    return true;
}

} // namespace

bool readDeclarations(const std::string& path, std::map<std::string, TypeDecl>* types, std::string* error) {
    std::string source;
    if (!readFile(path, &source)) {
        *error = path + ": cannot be read";
        return false;
    }
    Reader reader;
    reader.tokens = tokenize(source);
    reader.path = path;
    reader.types = types;
    readScope(&reader, {});
    if (reader.error.empty() && reader.at < reader.tokens.size()) reader.fail("unbalanced '}'");
    *error = reader.error;
    return reader.error.empty();
}

bool readEnumerators(const std::string& path, const std::string& enumName, std::vector<std::string>* names,
                     std::string* error) {
    std::map<std::string, TypeDecl> types;
    if (!readDeclarations(path, &types, error)) return false;
    auto found = types.find(enumName);
    if (found == types.end() || !found->second.isEnum) {
        *error = path + ": no enum " + enumName;
        return false;
    }
    if (found->second.laterValuesExplicit) {
        *error = path + ": " + enumName + " numbers its enumerators by position only";
        return false;
    }
    *names = found->second.enumerators;
    return true;
}

} // namespace metagen
