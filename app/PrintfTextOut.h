// The console text output: printf-style texts written to the process console.
#pragma once

#include "app/IDebugTextOut.h"

#include <cstddef>

namespace brindle {

/// Longest text one write produces; a longer text is cut to its first this-many characters.
inline constexpr std::size_t kMaxConsoleText = 8192;

class PrintfTextOut : public IDebugTextOut {
public:
    /// Gives the process a console if it has none.
    PrintfTextOut();
    /// Detaches the process from its console.
    virtual ~PrintfTextOut();
    PrintfTextOut(const PrintfTextOut&) = delete;
    PrintfTextOut& operator=(const PrintfTextOut&) = delete;

    void WriteText(std::uint16_t attribute, const char* format, ...) override
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;
    void WriteText(const char* format, ...) override
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    /// Does the work of all four: formats into a local buffer, cuts the text at kMaxConsoleText
    /// characters and at its first zero character, and writes it in one console write.
    void WriteTextV(std::uint16_t attribute, const char* format, va_list args) override;
    void WriteTextV(const char* format, va_list args) override;

    /// Formats like vsnprintf into buffer, at most kMaxConsoleText characters and a zero, with C0
    /// control bytes and DEL in the text of %s arguments shown as '?'. The number of characters
    /// stored (an embedded zero character counts).
    static std::size_t FormatForConsole(char (&buffer)[kMaxConsoleText + 1], const char* format, va_list args);
};

} // namespace brindle
