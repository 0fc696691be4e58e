// Per-process input files of the fuzz targets.
#include "fuzz/FuzzInputFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <system_error>

namespace brindle::fuzz {

namespace {

std::string MakePrivateDirectory()
{
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / ("brindle-fuzz-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error))
            return candidate.string();
    }
    std::fprintf(stderr, "fuzz: cannot create a directory under %s\n", base.c_str());
    std::abort();
}

} // namespace

FuzzInputFile::FuzzInputFile(const std::string& name)
    : m_Directory(MakePrivateDirectory()), m_Path(m_Directory + "/" + name)
{
}

FuzzInputFile::~FuzzInputFile()
{
    std::error_code error;
    std::filesystem::remove_all(m_Directory, error);
}

const std::string& FuzzInputFile::Write(const std::uint8_t* data, std::size_t size)
{
    std::ofstream out(m_Path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
        std::fprintf(stderr, "fuzz: cannot write %s\n", m_Path.c_str());
        std::abort();
    }
    return m_Path;
}

FuzzInputFile& InputFile(const std::string& name)
{
    // Destroyed at exit, which libFuzzer reaches on every normal end of a run.
    static FuzzInputFile file(name);
    return file;
}

} // namespace brindle::fuzz
