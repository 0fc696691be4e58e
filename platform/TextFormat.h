// printf-style formatting into a bounded buffer: the result is cut silently, as fixed message
// buffers do.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace brindle {

/// Formats like snprintf into a buffer of bufferSize characters (terminator included) and returns
/// what fits: at most bufferSize - 1 characters.
std::string FormatBounded(std::size_t bufferSize, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

/// Formats like vsnprintf, however long the result; args is only read through copies, so the caller
/// may pass it on afterwards.
std::string FormatText(const char* format, va_list args);

} // namespace brindle
