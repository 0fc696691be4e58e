// Lists a .zip of 100,000 entries with the ZIP container and, in the same run, with `unzip -Z1`
// on the same archive, so the two times can be compared directly.
#include "containers/ZipFileReader.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/ZipWriter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kEntryCount = 100000;

std::string BuildArchive(const brindle::test::ScopedTempDir& dir)
{
    std::vector<brindle::test::ZipEntry> entries;
    entries.reserve(kEntryCount);
    char path[64];
    for (std::size_t i = 0; i < kEntryCount; ++i) {
        std::snprintf(path, sizeof(path), "Data/Models%02zu/P_HHM_Body%06zu.MDB", i % 50, i);
        entries.push_back({path, "MDB data " + std::to_string(i)});
    }
    const std::string zipPath = dir / "large.zip";
    brindle::test::WriteZip(zipPath, entries);
    return zipPath;
}

void ContainerListing(benchmark::State& state, const std::string& zipPath)
{
    for (auto _ : state) {
        brindle::ZipFileReader<NWN::ResRef32> zip(zipPath);
        NWN::ResRef32 name{};
        NWN::ResType type = 0;
        const brindle::FileIndex count = zip.GetEncapsulatedFileCount();
        for (brindle::FileIndex i = 0; i < count; ++i)
            zip.GetEncapsulatedFileEntry(i, name, type);
        benchmark::DoNotOptimize(name);
        if (count != kEntryCount)
            state.SkipWithError("the container did not list every entry");
    }
    state.counters["entries"] = static_cast<double>(kEntryCount);
}

void UnzipListing(benchmark::State& state, const std::string& zipPath)
{
    const std::string command = "unzip -Z1 '" + zipPath + "' > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("unzip -Z1 failed or is not installed");
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    brindle::test::ScopedTempDir dir;
    const std::string zipPath = BuildArchive(dir);
    benchmark::RegisterBenchmark("ZipFileReader/List100k", ContainerListing, zipPath)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("unzip-Z1/List100k", UnzipListing, zipPath)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
