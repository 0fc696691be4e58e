// Whole-file reads with a size limit.
#include "app/ReadCapped.h"

#include "platform/File.h"

namespace brindle {

ReadOutcome ReadCapped(const std::string& path, std::size_t limit, std::string& text, std::uint64_t* size)
{
    text.clear();
    const platform::OwnedFile file(
        platform::OpenForReading(path, platform::ShareMode::Read, platform::AccessHint::SequentialScan));
    if (!file)
        return platform::PathExists(path) ? ReadOutcome::Unreadable : ReadOutcome::Missing;
    std::uint64_t bytes = 0;
    if (!platform::SizeOsFile(file.Get(), bytes))
        return ReadOutcome::Unreadable;
    if (size != nullptr)
        *size = bytes;
    if (bytes > limit)
        return ReadOutcome::TooLarge;
    text.assign(static_cast<std::size_t>(bytes), '\0');
    std::uint32_t read = 0;
    if (!platform::ReadOsFile(file.Get(), text.data(), static_cast<std::uint32_t>(bytes), read))
        return ReadOutcome::Unreadable;
    text.resize(read);
    return ReadOutcome::Read;
}

} // namespace brindle
