// A console text output that passes every write on unchanged and keeps a copy of its text, so that
// the run report can list what the run said.
#pragma once

#include "app/IDebugTextOut.h"

#include <string>
#include <vector>

namespace brindle {

class TeeTextOut final : public IDebugTextOut {
public:
    /// inner receives every write as given; it must outlive this object.
    explicit TeeTextOut(IDebugTextOut& inner) : m_Inner(inner) {}

    void WriteText(std::uint16_t attribute, const char* format, ...) override;
    void WriteText(const char* format, ...) override;
    void WriteTextV(std::uint16_t attribute, const char* format, va_list args) override;
    void WriteTextV(const char* format, va_list args) override;

    /// The text of every write so far, one element per write.
    const std::vector<std::string>& Writes() const { return m_Writes; }

private:
    IDebugTextOut& m_Inner;
    std::vector<std::string> m_Writes;
};

/// The writes that are warnings or errors ("WARNING: ..." or "ERROR: ..." once leading line breaks
/// are set aside), without their line breaks at either end.
std::vector<std::string> SelectWarnings(const std::vector<std::string>& writes);

} // namespace brindle
