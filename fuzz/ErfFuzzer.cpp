// Fuzz target: an ERF archive (module, HAK) held in memory, opened as a container and read through
// completely.
#include "containers/ErfFileReader.h"
#include "fuzz/AccessorWalk.h"

#include <exception>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        brindle::ErfFileReader<NWN::ResRef32> reader(std::span<const unsigned char>(data, size));
        brindle::fuzz::WalkAccessor(reader);
    } catch (const std::exception&) {
        // A refused archive is a correct answer.
    }
    return 0;
}
