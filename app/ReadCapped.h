// Reading a whole small file (configuration, an earlier script, Steam's and Wine's text files) with
// a limit on its size, so that a huge or endless file is refused before any of it is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

namespace brindle {

enum class ReadOutcome { Read, Missing, TooLarge, Unreadable };

/// The whole file at path into text when it is a regular file of at most limit bytes (a FIFO or a
/// device is Unreadable; a file that grows meanwhile is read as far as its size was). size, when
/// given, gets the file's size whenever it could be taken; reason, when given, the system's reason
/// for an Unreadable file.
ReadOutcome ReadCapped(const std::string& path, std::size_t limit, std::string& text, std::uint64_t* size = nullptr,
                       std::error_code* reason = nullptr);

} // namespace brindle
