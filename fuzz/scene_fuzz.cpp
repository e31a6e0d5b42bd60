// libFuzzer target for the scene file loader: any bytes as a scene file's image, read by the
// reader that the scene load runs (`readSceneImage`, which keeps the sound records of a damaged
// file) into stores of the engine's own sizes. The loader must never read or write outside the
// image or the stores (AddressSanitizer watches), never hang, leave no hole in the scene heap (a
// hole per damaged entity made loading quadratic) and leave the permanent store whole once the
// scene is freed. Whatever loads is written back out as the file "Fuzzed.vsf" and loaded again
// through the file layer (`loadScene`): it must load whole, to the same bytes, so nothing the
// reader takes is lost on the way.

#include "Core/Scene/scene.h"
#include "Core/engine_globals.h"
#include "Core/engine_main.h"
#include "Util/serialization.h"
#include "Util/string.h"

#include "../tests/harness/memoryFiles.h"
#include "../tests/harness/testStores.h"

#include <stdlib.h>
#include <string.h>

namespace {

struct FuzzWorld {
    memfiles::MemoryFileSystem files;
    vetest::TestStores stores{ve::TMP_STORE_SIZE, ve::PERMANENT_STORE_SIZE};
};

FuzzWorld* world() {
    static FuzzWorld* w = new FuzzWorld();
    memfiles::installMemoryFileSystem(&w->files);
    return w;
}

void setFile(FuzzWorld* w, const std::vector<u8>& bytes) {
    w->files.files.clear();
    w->files.printed.clear();
    w->files.files.push_back({"Fuzzed.vsf", bytes});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    FuzzWorld* w = world();
    ve::resetHeapStore(&w->stores.tmp);
    msi freeBefore = vetest::freeBytes(&w->stores.permanent);
    const string name = ve::wrapASCIIZ("Fuzzed");
    ve::Scene scene;
    if (ve::readSceneImage(&scene, name, {size, (u8*)data}, &w->stores.permanent).failure) return 0;
    if (vetest::freeBlockCount(&scene.sceneDataHeap) > 1) abort();

    buffer saved = ve::serializeScene(&scene, &w->stores.tmp);
    ve::freeScene(&scene);
    if (vetest::freeBytes(&w->stores.permanent) != freeBefore) abort();
    if (!saved.data) return 0;
    setFile(w, std::vector<u8>(saved.data, saved.data + saved.length));
    if (ve::loadScene(&scene, name, &w->stores.permanent).failure) abort();
    buffer again = ve::serializeScene(&scene, &w->stores.tmp);
    ve::freeScene(&scene);
    if (!again.data || !ve::cmpBuffer(saved, again)) abort();
    return 0;
}
