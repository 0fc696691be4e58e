// Plain, mapped and in-memory positioned reads, with labelled failures or reported ones.
#include "formats/FileWrapper.h"

#include "platform/TextFormat.h"
#include "resources/PlainException.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace brindle {

namespace {

constexpr const char* kSetFilePointerExFailed = "SetFilePointerEx failed";
constexpr const char* kGetFileSizeFailed = "GetFileSize failed";
constexpr const char* kReadFileSizeFailed = "Failed to read file size.";

// Messages that quote a label are composed into 64 characters and cut silently.
constexpr std::size_t kLabelMessageBuffer = 64;

[[noreturn]] void ThrowReadFailed(const char* label)
{
    throw std::runtime_error(FormatBounded(kLabelMessageBuffer, "ReadFile( %s ) failed.", label));
}

[[noreturn]] void ThrowSeekFailed(const char* label)
{
    throw std::runtime_error(FormatBounded(kLabelMessageBuffer, "SeekOffset( %s ) failed.", label));
}

} // namespace

FileWrapper::FileWrapper(platform::OsFile file) : m_File(file)
{
    if (m_File != platform::InvalidOsFile)
        m_Offset = GetOffset();
}

FileWrapper::~FileWrapper() = default;

void FileWrapper::SetFileHandle(platform::OsFile file, bool map)
{
    m_View.Reset();
    m_Source = Source::File;
    m_Bytes = {};
    m_File = file;
    if (file == platform::InvalidOsFile || !map)
        return;
    // Bound only once the view is complete: a failure leaves the wrapper unbound, not pointing at a
    // file its caller is about to close.
    m_File = platform::InvalidOsFile;
    MapBound(file);
    m_File = file;
}

void FileWrapper::MapBound(platform::OsFile file)
{
    platform::OwnedView view;
    if (!view.Map(file))
        return;
    std::uint64_t position = 0;
    if (!platform::TellOsFile(file, position))
        throw std::runtime_error(kSetFilePointerExFailed);
    std::uint64_t size = 0;
    if (!platform::SizeOsFile(file, size))
        throw std::runtime_error(kGetFileSizeFailed);
    // Reads are bounded by what was mapped: a file that grew since must not let a read run past the
    // end of the view.
    view.Limit(size);
    m_Offset = position;
    m_View = std::move(view);
    m_Bytes = std::span<const unsigned char>(m_View.Get().data, static_cast<std::size_t>(m_View.Get().size));
    m_Source = Source::ViewBytes;
}

void FileWrapper::SetBytes(std::span<const unsigned char> bytes, bool map)
{
    m_View.Reset();
    m_File = platform::InvalidOsFile;
    m_Bytes = bytes;
    m_Offset = 0;
    m_Source = map && !bytes.empty() ? Source::ViewBytes : Source::FileBytes;
}

void FileWrapper::ReadFile(void* buffer, std::uint32_t count, const char* label)
{
    const ReadOutcome outcome = Read(buffer, count);
    if (outcome == ReadOutcome::Failed)
        ThrowReadFailed(label);
    if (outcome == ReadOutcome::PageInFailed)
        throw std::runtime_error(kInPageError);
}

void FileWrapper::SeekOffset(std::uint64_t offset, const char* label)
{
    if (!TrySeek(offset))
        ThrowSeekFailed(label);
}

bool FileWrapper::TryRead(void* buffer, std::uint32_t count)
{
    return Read(buffer, count) == ReadOutcome::Done;
}

bool FileWrapper::TrySeek(std::uint64_t offset)
{
    if (m_Source == Source::File)
        return platform::SeekOsFile(m_File, offset);
    if (m_Source == Source::ViewBytes && offset >= m_Bytes.size())
        return false;
    // As over a file, whose position the systems keep as a signed 64-bit number.
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return false;
    m_Offset = offset;
    return true;
}

FileWrapper::ReadOutcome FileWrapper::Read(void* buffer, std::uint32_t count)
{
    if (m_Source != Source::File)
        return ReadBytes(buffer, count);
    std::uint32_t read = 0;
    if (!platform::ReadOsFile(m_File, buffer, count, read) || read != count)
        return ReadOutcome::Failed;
    return ReadOutcome::Done;
}

FileWrapper::ReadOutcome FileWrapper::ReadBytes(void* buffer, std::uint32_t count)
{
    const std::uint64_t size = m_Bytes.size();
    const std::uint64_t available = m_Offset < size ? size - m_Offset : 0;
    if (m_Source == Source::ViewBytes && (m_Offset > size || count > available))
        return ReadOutcome::Failed;
    // A short read of a file still takes what there is and moves to the end.
    const auto taken = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, available));
    if (!Copy(buffer, taken))
        return ReadOutcome::PageInFailed;
    m_Offset += taken;
    return taken == count ? ReadOutcome::Done : ReadOutcome::Failed;
}

bool FileWrapper::Copy(void* buffer, std::uint32_t count) const
{
    if (count == 0)
        return true;
    if (m_View)
        return platform::GuardedCopy(buffer, m_View.Get(), m_Offset, count);
    std::memcpy(buffer, m_Bytes.data() + m_Offset, count);
    return true;
}

std::uint64_t FileWrapper::GetSize() const
{
    if (m_Source != Source::File)
        return m_Bytes.size();
    std::uint64_t size = 0;
    if (!platform::SizeOsFile(m_File, size))
        throw std::runtime_error(kGetFileSizeFailed);
    return size;
}

std::uint64_t FileWrapper::GetOffset() const
{
    if (m_Source != Source::File)
        return m_Offset;
    std::uint64_t position = 0;
    if (!platform::TellOsFile(m_File, position))
        throw std::runtime_error(kSetFilePointerExFailed);
    return position;
}

platform::OwnedFile OpenReaderFile(const std::string& path, const ReaderOpenOptions& options, FileWrapper& wrapper,
                                   std::uint32_t& fileSize)
{
    platform::OwnedFile file(platform::OpenForReading(path, options.firstShare, options.hint));
    if (!file && options.secondShare)
        file.Reset(platform::OpenForReading(path, *options.secondShare, options.hint));
    if (!file)
        throw PlainException(options.openFailureMessage);
    wrapper.SetFileHandle(file.Get(), options.map);
    std::uint64_t size = 0;
    if (!platform::SizeOsFile(file.Get(), size)) {
        wrapper.SetFileHandle(platform::InvalidOsFile, false);
        throw PlainException(kReadFileSizeFailed);
    }
    fileSize = static_cast<std::uint32_t>(size);
    return file;
}

void BindReaderBytes(std::span<const unsigned char> bytes, const ReaderOpenOptions& options, FileWrapper& wrapper,
                     std::uint32_t& fileSize)
{
    wrapper.SetBytes(bytes, options.map);
    fileSize = static_cast<std::uint32_t>(bytes.size());
}

} // namespace brindle
