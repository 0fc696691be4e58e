// Fuzz target: an ERF archive (module, HAK) opened as a container and read through completely.
#include "containers/ErfFileReader.h"
#include "fuzz/AccessorWalk.h"
#include "fuzz/FuzzInputFile.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = brindle::fuzz::InputFile("input.hak").Write(data, size);
    try {
        brindle::ErfFileReader<NWN::ResRef32> reader(path);
        brindle::fuzz::WalkAccessor(reader);
    } catch (const std::exception&) {
        // A refused archive is a correct answer.
    }
    return 0;
}
