// Fuzz target: a 2DA table read from memory by the 2DA reader, then every cell of every row looked up by column
// name (and one row past the end, and a column the table does not have).
#include "formats/TwoDAFileReader.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <span>
#include <stdexcept>

namespace {

constexpr std::size_t kMostCellsLookedUp = 1u << 16;

[[noreturn]] void Broken(const char* what)
{
    std::fprintf(stderr, "fuzz: 2DA reader broke its contract: %s\n", what);
    std::abort();
}

void LookUpCells(const brindle::TwoDAFileReader& reader)
{
    const std::vector<std::string>& columns = reader.GetColumns();
    std::size_t lookedUp = 0;
    for (std::uint32_t row = 0; row < reader.GetRowCount() && lookedUp < kMostCellsLookedUp; ++row) {
        for (const std::string& column : columns) {
            std::string value;
            if (!reader.GetString(row, column, value) && value != brindle::kTwoDAEmptyCell)
                Broken("a cell inside the table was refused");
            ++lookedUp;
        }
    }
    std::string value = "untouched";
    if (!columns.empty() && (reader.GetString(static_cast<std::uint32_t>(reader.GetRowCount()), columns[0], value) ||
                             value != "untouched"))
        Broken("a row past the end was answered");
    try {
        (void)reader.GetColumnIndex("no such column \x01");
        Broken("a missing column was found");
    } catch (const std::runtime_error&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        const brindle::TwoDAFileReader reader(std::span<const unsigned char>(data, size), "input.2da");
        LookUpCells(reader);
    } catch (const std::runtime_error&) {
        // A refused table is a correct answer.
    }
    return 0;
}
