// Reading the largest real appearance table, the biggest 2DA file the lister parses.
#include "formats/TwoDAFileReader.h"

#include "tests/support/RealData.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

// The largest appearance.2da among the real tables; empty when there is none.
std::string LargestAppearanceTable()
{
    const std::string real = brindle::test::RealDataDir();
    std::string best;
    std::uintmax_t bestSize = 0;
    if (real.empty())
        return best;
    for (const auto& item : std::filesystem::directory_iterator(real + "/2da")) {
        const std::filesystem::path candidate = item.path() / "appearance.2da";
        if (std::filesystem::is_regular_file(candidate) && std::filesystem::file_size(candidate) > bestSize) {
            bestSize = std::filesystem::file_size(candidate);
            best = candidate.string();
        }
    }
    return best;
}

void BM_ReadAppearanceTable(benchmark::State& state)
{
    const std::string path = LargestAppearanceTable();
    if (path.empty()) {
        state.SkipWithError("no real appearance.2da found (set BRINDLE_REALDATA)");
        return;
    }
    std::size_t rows = 0;
    for (auto _ : state) {
        brindle::TwoDAFileReader table(path);
        rows = table.GetRowCount();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ReadAppearanceTable)->Unit(benchmark::kMillisecond);

// A full read followed by the lookups the lister makes: every row's model and label cells.
void BM_ReadAndLookUpAppearanceTable(benchmark::State& state)
{
    const std::string path = LargestAppearanceTable();
    if (path.empty()) {
        state.SkipWithError("no real appearance.2da found (set BRINDLE_REALDATA)");
        return;
    }
    for (auto _ : state) {
        brindle::TwoDAFileReader table(path);
        std::string value;
        std::size_t present = 0;
        for (std::uint32_t row = 0; row < table.GetRowCount(); ++row) {
            present += table.GetString(row, "LABEL", value);
            present += table.GetString(row, "NWN2_Model_Body", value);
        }
        benchmark::DoNotOptimize(present);
    }
}
BENCHMARK(BM_ReadAndLookUpAppearanceTable)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
