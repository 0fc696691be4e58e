// Plain and mapped positioned reads with labelled failures.
#include "formats/FileWrapper.h"

#include "platform/TextFormat.h"
#include "resources/PlainException.h"

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
}

void FileWrapper::ReadFile(void* buffer, std::uint32_t count, const char* label)
{
    if (IsMapped()) {
        const std::uint64_t end = m_Offset + count;
        if (end < m_Offset || end > m_View.Get().size)
            ThrowReadFailed(label);
        if (!platform::GuardedCopy(buffer, m_View.Get(), m_Offset, count))
            throw std::runtime_error(kInPageError);
        m_Offset = end;
        return;
    }
    std::uint32_t read = 0;
    if (!platform::ReadOsFile(m_File, buffer, count, read) || read != count)
        ThrowReadFailed(label);
}

void FileWrapper::SeekOffset(std::uint64_t offset, const char* label)
{
    if (IsMapped()) {
        if (offset >= m_View.Get().size)
            ThrowSeekFailed(label);
        m_Offset = offset;
        return;
    }
    if (!platform::SeekOsFile(m_File, offset))
        ThrowSeekFailed(label);
}

std::uint64_t FileWrapper::GetSize() const
{
    if (IsMapped())
        return m_View.Get().size;
    std::uint64_t size = 0;
    if (!platform::SizeOsFile(m_File, size))
        throw std::runtime_error(kGetFileSizeFailed);
    return size;
}

std::uint64_t FileWrapper::GetOffset() const
{
    if (IsMapped())
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

} // namespace brindle
