#pragma once
// Text: `string` is a length and a pointer, never NUL-terminated. A view shares someone else's
// bytes and is never freed; a copy owns a block of a store and goes back with freeString.
// NUL-terminated arrays (c8*) appear only at the edges: literals and library calls.

#include "Memory/memory.h"

namespace ve {

b8 cmpString(string a, string b);
b8 copyString(string from, string to);
b8 copyString(string from, string* to, msi startRead, msi startWrite, msi length);
b8 copyStringToASCIIZ(string from, c8* to, msi lengthOfASCIIZ);
b8 copyASCIIZToString(const c8* from, string to);
string copyToString(const c8* from, MemoryStore* store);
c8* copytoASCIIZ(string str, MemoryStore* store);
string allocAndCopyString(string str, MemoryStore* store);
string concatString(string a, string b, buffer buf);
string concatString(string a, string b, MemoryStore* store);
void freeString(string* a, MemoryStore* store);
string substring(string str, msi begin, msi length);
string searchStringLastOccurrence(string str, c8 c);
msi countASCIIZWithoutNull(const c8* str);
string wrapASCIIZ(const c8* str);
string s64ToString(s64 number, MemoryStore* store);

} // namespace ve
