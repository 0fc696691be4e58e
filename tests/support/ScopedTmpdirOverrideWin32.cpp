// Scoped override of the temporary directory for tests on Windows, where the system takes it from
// the TMP variable first.
#include "tests/support/ScopedTmpdirOverride.h"

#include <cstdlib>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace brindle::test {

namespace {

constexpr const char* kVariable = "TMP";

// Both the process environment (which the system reads) and the C runtime's copy.
void SetVariable(const char* value)
{
    SetEnvironmentVariableA(kVariable, value);
    _putenv_s(kVariable, value != nullptr ? value : "");
}

} // namespace

ScopedTmpdirOverride::ScopedTmpdirOverride()
{
    if (const char* previous = std::getenv(kVariable))
        m_Previous = previous;
    SetVariable(m_Dir.Path().c_str());
}

ScopedTmpdirOverride::~ScopedTmpdirOverride()
{
    SetVariable(m_Previous ? m_Previous->c_str() : nullptr);
}

} // namespace brindle::test
