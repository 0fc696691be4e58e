// .zip archive writer over minizip's zip interface.
#include "tests/support/ZipWriter.h"

#include <minizip/zip.h>

#include <stdexcept>

namespace brindle::test {

namespace {

// MS-DOS directory attribute in the external attributes of a folder entry.
constexpr uLong kDirectoryAttribute = 0x10;

[[noreturn]] void Fail(const std::string& what, const std::string& zipPath)
{
    throw std::runtime_error("WriteZip: " + what + " failed for '" + zipPath + "'");
}

} // namespace

void WriteZip(const std::string& zipPath, const std::vector<ZipEntry>& entries)
{
    zipFile zip = zipOpen64(zipPath.c_str(), APPEND_STATUS_CREATE);
    if (zip == nullptr)
        Fail("zipOpen64", zipPath);
    try {
        for (const ZipEntry& entry : entries) {
            const bool folder = !entry.path.empty() && entry.path.back() == '/';
            zip_fileinfo info{};
            info.tmz_date = {0, 0, 12, 1, 0, 2024};
            info.external_fa = folder ? kDirectoryAttribute : 0;
            const int method = folder ? 0 : Z_DEFLATED;
            if (zipOpenNewFileInZip64(zip, entry.path.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                                      Z_DEFAULT_COMPRESSION, 0) != ZIP_OK)
                Fail("adding '" + entry.path + "'", zipPath);
            if (!entry.data.empty() &&
                zipWriteInFileInZip(zip, entry.data.data(), static_cast<unsigned>(entry.data.size())) != ZIP_OK)
                Fail("writing '" + entry.path + "'", zipPath);
            if (zipCloseFileInZip(zip) != ZIP_OK)
                Fail("closing '" + entry.path + "'", zipPath);
        }
    } catch (...) {
        zipClose(zip, nullptr);
        throw;
    }
    if (zipClose(zip, nullptr) != ZIP_OK)
        Fail("zipClose", zipPath);
}

} // namespace brindle::test
