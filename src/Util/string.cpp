#include "Util/string.h"

#include "Math/integerMath.h"

namespace ve {

b8 cmpString(string a, string b) {
    return cmpBuffer(a, b);
}

b8 copyString(string from, string to) {
    return copyBuffer(from, to);
}

b8 copyString(string from, string* to, msi startRead, msi startWrite, msi length) {
    return copyBuffer(from, *to, startRead, startWrite, length);
}

b8 copyStringToASCIIZ(string from, c8* to, msi lengthOfASCIIZ) {
    // Room for the characters and the NUL.
    if (from.length >= lengthOfASCIIZ) return false;
    copyBuffer(from, {lengthOfASCIIZ, (u8*)to});
    to[from.length] = 0;
    return true;
}

b8 copyASCIIZToString(const c8* from, string to) {
    return copyBuffer(wrapASCIIZ(from), to);
}

string copyToString(const c8* from, MemoryStore* store) {
    return allocAndCopyString(wrapASCIIZ(from), store);
}

c8* copytoASCIIZ(string str, MemoryStore* store) {
    buffer copy = createBuffer(str.length + 1, store);
    if (!copy.data) return nullptr;
    copyBuffer(str, copy);
    copy.data[str.length] = 0;
    return (c8*)copy.data;
}

string allocAndCopyString(string str, MemoryStore* store) {
    string copy = createBuffer(str.length, store);
    copyBuffer(str, copy);
    return copy;
}

string concatString(string a, string b, buffer buf) {
    msi total = a.length + b.length; // may wrap; caught below
    if (total > buf.length) return {};
    string result = {total, buf.data};
    // Both copies fit unless the sum wrapped around 64 bits.
    if (!copyBuffer(a, result) || !copyBuffer(b, result, 0, a.length, b.length)) VE_INVALID_CASE();
    return result;
}

string concatString(string a, string b, MemoryStore* store) {
    return concatString(a, b, createBuffer(a.length + b.length, store));
}

void freeString(string* a, MemoryStore* store) {
    freeBuffer(a, store);
}

string substring(string str, msi begin, msi length) {
    return {length, str.data + begin};
}

string searchStringLastOccurrence(string str, c8 c) {
    // Counting down with `position` one above the cursor keeps an unsigned loop finite and still
    // tests index 0.
    for (msi position = str.length; position > 0; --position) {
        msi cursor = position - 1;
        if (str.data[cursor] == (u8)c) return {str.length - cursor, str.data + cursor};
    }
    return {};
}

msi countASCIIZWithoutNull(const c8* str) {
    if (!str) return 0;
    msi count = 0;
    while (str[count]) ++count;
    return count;
}

string wrapASCIIZ(const c8* str) {
    return {countASCIIZWithoutNull(str), (u8*)str};
}

string s64ToString(s64 number, MemoryStore* store) {
    // Digits least significant first, then reversed in place. The magnitude is taken unsigned so
    // that the most negative number converts too; negative numbers get a leading '-'.
    c8 digits[32] = {};
    u64 magnitude = number < 0 ? 0 - (u64)number : (u64)number;
    msi count = 0;
    do {
        digits[count++] = (c8)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (number < 0) digits[count++] = '-';
    for (msi i = 0; i < count / 2; ++i) swap(&digits[i], &digits[count - 1 - i]);
    return allocAndCopyString({count, (u8*)digits}, store);
}

} // namespace ve
