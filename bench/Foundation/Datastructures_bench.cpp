// Table lookups at the introspection table's shape: 97 slots holding 67 types keyed by the hash
// of their qualified names.

#include "Util/Datastructures.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

void BM_TableLookup(benchmark::State& state) {
    std::vector<u8> backing(1 << 20);
    ve::MemoryStore store = ve::createHeapStore({backing.size(), backing.data()});
    ve::Table tbl = ve::createTbl(64, 97, &store);
    std::vector<ve::Hash> keys;
    for (int i = 0; i < 67; ++i) {
        std::string name = "::ve::IntrospectedType" + std::to_string(i);
        keys.push_back(ve::hashASCIIZ(name.c_str()));
        ve::createNewTblEntry(keys.back(), &tbl);
    }
    size_t next = 0;
    for (auto _ : state) {
        void* value = ve::getTblEntry(keys[next], &tbl);
        benchmark::DoNotOptimize(value);
        next = next + 1 == keys.size() ? 0 : next + 1;
    }
}
BENCHMARK(BM_TableLookup);

void BM_TableLookupByName(benchmark::State& state) {
    std::vector<u8> backing(1 << 20);
    ve::MemoryStore store = ve::createHeapStore({backing.size(), backing.data()});
    ve::Table tbl = ve::createTbl(64, 97, &store);
    std::vector<std::string> names;
    for (int i = 0; i < 67; ++i) {
        names.push_back("::ve::IntrospectedType" + std::to_string(i));
        ve::createNewTblEntry(ve::hashASCIIZ(names.back().c_str()), &tbl);
    }
    size_t next = 0;
    for (auto _ : state) {
        void* value = ve::getTblEntry(ve::hashASCIIZ(names[next].c_str()), &tbl);
        benchmark::DoNotOptimize(value);
        next = next + 1 == names.size() ? 0 : next + 1;
    }
}
BENCHMARK(BM_TableLookupByName);

void BM_DynArrayPush(benchmark::State& state) {
    std::vector<u8> backing(64 << 20);
    ve::MemoryStore store = ve::createHeapStore({backing.size(), backing.data()});
    for (auto _ : state) {
        ve::DynArray array = ve::createDynArray(sizeof(u64), 0, &store);
        for (u64 i = 0; i < 1000; ++i) ve::push(&array, &i);
        benchmark::DoNotOptimize(array.buf.data);
        ve::freeArray(&array);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * 1000);
}
BENCHMARK(BM_DynArrayPush);

} // namespace
