// The manager's two hot paths: building the combined index over a large stack (every load does it,
// the game's data archives hold some 100,000 entries) and copying a resource out on demand.
#include "resources/ResourceManager.h"
#include "resources/ResourceTypes.h"
#include "tests/support/MemoryArchive.h"
#include "tests/support/ScopedTmpdirOverride.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

using brindle::ResourceManager;
using brindle::test::MemoryArchive;

constexpr int kArchives = 8;
constexpr int kEntriesPerArchive = 25000;

/// Eight archives whose names overlap by half with their neighbour's, as patch archives do.
void StackArchives(ResourceManager& manager)
{
    char name[32];
    for (int a = 0; a < kArchives; ++a) {
        auto archive = std::make_shared<MemoryArchive>();
        for (int i = 0; i < kEntriesPerArchive; ++i) {
            std::snprintf(name, sizeof(name), "P_HHM_Body%07d", a * kEntriesPerArchive / 2 + i);
            archive->Add(name, brindle::ResTypeMdb, std::string());
        }
        manager.AttachArchive(a % 2 == 0 ? ResourceManager::TierZip : ResourceManager::TierArchive, archive);
    }
}

void BuildIndex(benchmark::State& state)
{
    brindle::test::ScopedTmpdirOverride tmp;
    ResourceManager manager(nullptr);
    StackArchives(manager);
    for (auto _ : state) {
        manager.BuildResourceIndex();
        benchmark::DoNotOptimize(manager.GetEncapsulatedFileCount());
    }
    state.counters["entries"] = static_cast<double>(kArchives * kEntriesPerArchive);
    state.counters["unique"] = static_cast<double>(manager.GetEncapsulatedFileCount());
}
BENCHMARK(BuildIndex)->Unit(benchmark::kMillisecond);

void DemandAndRelease(benchmark::State& state)
{
    brindle::test::ScopedTmpdirOverride tmp;
    ResourceManager manager(nullptr);
    auto archive = std::make_shared<MemoryArchive>();
    const auto size = static_cast<std::size_t>(state.range(0));
    archive->Add("appearance", brindle::ResType2da, std::string(size, 'x'));
    manager.AttachArchive(ResourceManager::TierArchive, archive);
    manager.BuildResourceIndex();
    for (auto _ : state)
        manager.Release(manager.Demand("appearance", brindle::ResType2da));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(size));
}
// 1.3 MB is the size of the largest real appearance table.
BENCHMARK(DemandAndRelease)->Arg(4 << 10)->Arg(1300 << 10)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
