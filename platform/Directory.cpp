// What directory listings and path resolution share on every system: the order of a listing and
// the walk over a path's components.
#include "platform/Directory.h"

#include "platform/Ascii.h"

#include <algorithm>

namespace brindle::platform {

namespace {

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

} // namespace

// By ASCII upper-cased name, ties by the raw bytes: the order NTFS keeps ASCII names in.
bool ListedBefore(const DirectoryItem& a, const DirectoryItem& b)
{
    const std::size_t n = std::min(a.name.size(), b.name.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ua = static_cast<unsigned char>(ascii::ToUpper(a.name[i]));
        const auto ub = static_cast<unsigned char>(ascii::ToUpper(b.name[i]));
        if (ua != ub)
            return ua < ub;
    }
    if (a.name.size() != b.name.size())
        return a.name.size() < b.name.size();
    return a.name < b.name;
}

std::string ResolveNoCase(const std::string& base, const std::string& relative)
{
    std::string result = base;
    std::size_t pos = 0;
    while (pos < relative.size()) {
        if (IsSeparator(relative[pos])) {
            result += relative[pos++];
            continue;
        }
        std::size_t end = pos;
        while (end < relative.size() && !IsSeparator(relative[end]))
            ++end;
        result += ResolveComponent(result, relative.substr(pos, end - pos));
        pos = end;
    }
    return result;
}

} // namespace brindle::platform
