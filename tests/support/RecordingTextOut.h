// A text output that keeps everything written to it, for tests of exact message texts.
#pragma once

#include "app/IDebugTextOut.h"

#include <string>
#include <vector>

namespace brindle::test {

class RecordingTextOut final : public IDebugTextOut {
public:
    void WriteText(std::uint16_t attribute, const char* format, ...) override;
    void WriteText(const char* format, ...) override;
    void WriteTextV(std::uint16_t attribute, const char* format, va_list args) override;
    void WriteTextV(const char* format, va_list args) override;

    /// Every write, one element each, formatted.
    const std::vector<std::string>& Lines() const { return m_Lines; }
    /// All writes joined.
    std::string Text() const;
    void Clear() { m_Lines.clear(); }

private:
    std::vector<std::string> m_Lines;
};

} // namespace brindle::test
