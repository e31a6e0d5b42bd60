#include "Debug/editorText.h"

#include "Debug/mapeditor.h"
#include "Util/string.h"

namespace ve {

const c8* frameText(string text) {
    c8* copy = copytoASCIIZ(text, &debugState->tmpStore);
    return copy ? copy : "";
}

string afterLastColon(string name) {
    string tail = searchStringLastOccurrence(name, ':');
    return tail.length ? substring(tail, 1, tail.length - 1) : name;
}

const c8* fieldLabel(string name, string typeName) {
    MemoryStore* store = &debugState->tmpStore;
    string label = concatString(concatString(name, wrapASCIIZ(" : "), store), afterLastColon(typeName), store);
    return frameText(label);
}

} // namespace ve
