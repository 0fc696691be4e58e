// Differential fuzz target: a .zip archive listed twice, from its directory read in one piece and
// by the unzip library's walk. Whenever the directory reading lists an archive, the two listings
// must be the same entries in the same order with the same handles, and every entry must open and
// read the same bytes through the library. The one difference allowed: an archive without entries,
// which the library refuses and the directory reading lists as empty.
#include "containers/ZipFileReader.h"
#include "fuzz/FuzzInputFile.h"
#include "resources/ResourceNames.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace {

using Zip = brindle::ZipFileReader<NWN::ResRef32>;

// Decompression is bounded per entry so that a small input cannot make a run slow.
constexpr std::uint32_t kMaxBytesPerEntry = 1 << 20;
constexpr std::uint32_t kChunk = 4096;

struct Listing {
    bool opened = false;
    bool fromDirectory = false;
    std::string error;
    std::vector<std::string> entries;
    std::vector<brindle::FileHandle> handles;
    std::vector<std::string> contents;
    std::vector<bool> closed;
};

std::string ReadEntry(Zip& zip, brindle::FileHandle handle)
{
    std::string data;
    char buffer[kChunk];
    std::uint32_t read = 0;
    while (data.size() < kMaxBytesPerEntry &&
           zip.ReadEncapsulatedFile(handle, static_cast<std::uint32_t>(data.size()), kChunk, read, buffer))
        data.append(buffer, read);
    return data;
}

Listing List(const std::string& path, brindle::ZipListing how)
{
    Listing out;
    try {
        Zip zip(path, how);
        out.opened = true;
        out.fromDirectory = zip.ListedFromDirectory();
        for (brindle::FileIndex i = 0; i < zip.GetEncapsulatedFileCount(); ++i) {
            NWN::ResRef32 name{};
            NWN::ResType type = NWN::ResTypeInvalid;
            zip.GetEncapsulatedFileEntry(i, name, type);
            out.entries.push_back(brindle::RawText(name) + "/" + std::to_string(type));
            const brindle::FileHandle handle = zip.OpenFileByIndex(i);
            out.handles.push_back(handle);
            if (handle == 0)
                continue;
            out.contents.push_back(std::to_string(zip.GetEncapsulatedFileSize(handle)) + ":" +
                                   std::to_string(zip.GetEncapsulatedFileType(handle)) + ":" + ReadEntry(zip, handle));
            out.closed.push_back(zip.CloseFile(handle));
        }
    } catch (const std::exception& e) {
        out.error = e.what();
    }
    return out;
}

[[noreturn]] void Differ(const char* what)
{
    std::fprintf(stderr, "fuzz: the directory listing differs from the library's walk: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = brindle::fuzz::InputFile("input.zip").Write(data, size);
    const Listing walked = List(path, brindle::ZipListing::Library);
    const Listing read = List(path, brindle::ZipListing::Directory);
    if (walked.fromDirectory)
        Differ("the library's walk claims the directory listing");
    if (!read.fromDirectory) {
        // The library listed both times: the same answer, refusals included.
        if (read.error != walked.error || read.entries != walked.entries)
            Differ("the fallback walk answered differently");
        return 0;
    }
    if (!read.error.empty())
        Differ("the directory listing accepted the archive and then failed");
    if (!walked.opened) {
        if (!read.entries.empty())
            Differ("the library refused an archive the directory listing found entries in");
        return 0;
    }
    if (read.entries != walked.entries)
        Differ("entries (names, types, order)");
    if (read.handles != walked.handles)
        Differ("handles");
    if (read.contents != walked.contents)
        Differ("entry sizes, types or bytes");
    if (read.closed != walked.closed)
        Differ("checksum results");
    return 0;
}
