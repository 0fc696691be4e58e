// printf-style formatting into a bounded buffer: the result is cut silently, as fixed message
// buffers do.
#pragma once

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

} // namespace brindle
