// printf-style text output with a console character attribute; every console line goes through it.
#pragma once

#include <cstdarg>
#include <cstdint>

namespace brindle {

/// Light grey on black.
inline constexpr std::uint16_t kDefaultTextAttribute = 7;

class IDebugTextOut {
public:
    virtual void WriteText(std::uint16_t attribute, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        = 0;
    virtual void WriteText(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        = 0;
    virtual void WriteTextV(std::uint16_t attribute, const char* format, va_list args) = 0;
    virtual void WriteTextV(const char* format, va_list args) = 0;

protected:
    // Never deleted through this interface; the holder of a pointer does not own the object.
    ~IDebugTextOut() = default;
};

} // namespace brindle
