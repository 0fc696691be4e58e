// Cutting files short on POSIX systems: truncate works whatever is mapped.
#include "tests/support/FileCut.h"

#include <unistd.h>

namespace brindle::test {

bool CanCutMappedFiles()
{
    return true;
}

bool CutFileShort(const std::string& path)
{
    return ::truncate(path.c_str(), 0) == 0;
}

} // namespace brindle::test
