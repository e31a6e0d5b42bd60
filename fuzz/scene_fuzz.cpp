// libFuzzer target for the scene file loader: any bytes as the image of a scene file. The loader
// must never read or write outside the image or the stores (AddressSanitizer watches), never
// hang, and leave the permanent store whole once the scene is freed. Whatever loads is written
// back out, so the writer meets every value the reader lets through.

#include "Core/Scene/scene.h"
#include "Core/engine_globals.h"
#include "Util/serialization.h"
#include "Util/string.h"

#include <stdlib.h>
#include <string.h>

namespace {

void printNothing(string) {}

struct FuzzWorld {
    ve::PlatformAPI platform;
    ve::MemoryStore tmp;
    ve::MemoryStore permanent;
};

FuzzWorld* world() {
    static FuzzWorld* w = [] {
        FuzzWorld* created = (FuzzWorld*)calloc(1, sizeof(FuzzWorld));
        const msi storeSize = msi(256) << 20;
        created->platform.print = printNothing;
        created->tmp = ve::createHeapStore({storeSize, (u8*)malloc(storeSize)});
        created->permanent = ve::createHeapStore({storeSize, (u8*)malloc(storeSize)});
        return created;
    }();
    ve::platform = &w->platform;
    ve::tmpStore = &w->tmp;
    ve::permanentStore = &w->permanent;
    return w;
}

msi freeBytesOf(ve::MemoryStore* store) {
    msi total = 0;
    for (ve::detail::HeapFreeBlock* block = store->firstFreeBlock; block; block = block->nextFreeBlock) total += block->size;
    return total;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    FuzzWorld* w = world();
    ve::resetHeapStore(&w->tmp);
    // The image lives in the temporary store, exactly as the loader's own read puts it.
    buffer image = ve::createBuffer(size, &w->tmp);
    if (size && !image.data) return 0;
    if (size) memcpy(image.data, data, size);
    msi freeBefore = freeBytesOf(&w->permanent);
    ve::Scene scene;
    ve::loadSceneImage(&scene, ve::wrapASCIIZ("Fuzzed"), image, &w->permanent);
    ve::serializeScene(&scene, &w->tmp);
    ve::freeScene(&scene);
    if (freeBytesOf(&w->permanent) != freeBefore) abort();
    return 0;
}
