// A console text output that keeps what is written, for tests of code that reports through one.
#pragma once

#include "app/IDebugTextOut.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brindle::test {

class RecordingTextOut : public IDebugTextOut {
public:
    struct Write {
        std::uint16_t attribute;
        std::string text;
    };

    void WriteText(std::uint16_t attribute, const char* format, ...) override;
    void WriteText(const char* format, ...) override;
    void WriteTextV(std::uint16_t attribute, const char* format, va_list args) override;
    void WriteTextV(const char* format, va_list args) override;

    /// Every text written so far, joined.
    std::string Text() const;
    const std::vector<Write>& Writes() const { return m_Writes; }
    void Clear() { m_Writes.clear(); }

private:
    std::vector<Write> m_Writes;
};

} // namespace brindle::test
