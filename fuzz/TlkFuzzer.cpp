// Fuzz target: a talk table read from memory by the TLK reader.
#include "formats/TlkFileReader.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        brindle::TlkFileReader<NWN::ResRef16> reader(std::span<const unsigned char>(data, size));
        // Every entry read was copied out of the file, so the table lies inside it.
        const std::uint64_t tableBytes = std::uint64_t{reader.GetStringCount()} * 40;
        if (reader.GetStringCount() != reader.GetEntries().size() || tableBytes > size) {
            std::fprintf(stderr, "fuzz: the talk table holds more entries than the file\n");
            std::abort();
        }
    } catch (const std::exception&) {
        // A refused table is a correct answer.
    }
    return 0;
}
