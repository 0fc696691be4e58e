// Points the temporary directory ($TMPDIR; TMP on Windows) at a fresh scoped directory for the
// object's lifetime, so that code working in the system's temporary directory (the resource
// manager's instance directories) is isolated.
#pragma once

#include "tests/support/ScopedTempDir.h"

#include <optional>
#include <string>

namespace brindle::test {

class ScopedTmpdirOverride {
public:
    ScopedTmpdirOverride();
    ~ScopedTmpdirOverride();
    ScopedTmpdirOverride(const ScopedTmpdirOverride&) = delete;
    ScopedTmpdirOverride& operator=(const ScopedTmpdirOverride&) = delete;

    /// The directory the variable names, without a trailing slash.
    const std::string& Path() const { return m_Dir.Path(); }
    std::string operator/(std::string_view relative) const { return m_Dir / relative; }

private:
    ScopedTempDir m_Dir;
    std::optional<std::string> m_Previous;
};

} // namespace brindle::test
