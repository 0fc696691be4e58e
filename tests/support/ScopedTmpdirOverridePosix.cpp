// Scoped $TMPDIR override for tests.
#include "tests/support/ScopedTmpdirOverride.h"

#include <cstdlib>

namespace brindle::test {

ScopedTmpdirOverride::ScopedTmpdirOverride()
{
    if (const char* previous = std::getenv("TMPDIR"))
        m_Previous = previous;
    ::setenv("TMPDIR", m_Dir.Path().c_str(), 1);
}

ScopedTmpdirOverride::~ScopedTmpdirOverride()
{
    if (m_Previous)
        ::setenv("TMPDIR", m_Previous->c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

} // namespace brindle::test
