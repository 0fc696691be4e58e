// Whole-file reads with a size limit.
#include "app/ReadCapped.h"

#include "platform/File.h"
#include "platform/SystemFailure.h"

namespace brindle {

namespace {

ReadOutcome Unreadable(std::error_code why, std::error_code* reason)
{
    if (reason != nullptr)
        *reason = why;
    return ReadOutcome::Unreadable;
}

} // namespace

ReadOutcome ReadCapped(const std::string& path, std::size_t limit, std::string& text, std::uint64_t* size,
                       std::error_code* reason)
{
    text.clear();
    std::error_code why;
    const platform::OwnedFile file(
        platform::OpenForReading(path, platform::ShareMode::Read, platform::AccessHint::SequentialScan, why));
    if (!file)
        return platform::PathExists(path) ? Unreadable(why, reason) : ReadOutcome::Missing;
    std::uint64_t bytes = 0;
    if (!platform::SizeOsFile(file.Get(), bytes))
        return Unreadable(platform::LastSystemError(), reason);
    if (size != nullptr)
        *size = bytes;
    if (bytes > limit)
        return ReadOutcome::TooLarge;
    text.assign(static_cast<std::size_t>(bytes), '\0');
    std::uint32_t read = 0;
    if (!platform::ReadOsFile(file.Get(), text.data(), static_cast<std::uint32_t>(bytes), read))
        return Unreadable(platform::LastSystemError(), reason);
    text.resize(read);
    return ReadOutcome::Read;
}

} // namespace brindle
