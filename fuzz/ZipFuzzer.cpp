// Fuzz target: a .zip archive scanned as a container, every entry opened and read to its end.
#include "containers/ZipFileReader.h"
#include "fuzz/AccessorWalk.h"
#include "fuzz/FuzzInputFile.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = brindle::fuzz::InputFile("input.zip").Write(data, size);
    try {
        brindle::ZipFileReader<NWN::ResRef32> reader(path);
        brindle::fuzz::WalkAccessor(reader);
    } catch (const std::exception&) {
        // A refused archive is a correct answer.
    }
    return 0;
}
