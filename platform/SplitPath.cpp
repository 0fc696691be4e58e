// Path splitting with fixed limits.
#include "platform/SplitPath.h"

#include "platform/ByteWords.h"

namespace brindle {

bool SplitPath(std::string_view path, SplitPathResult& out)
{
    std::string_view name;
    std::string_view extension;
    if (!SplitPath(path, name, extension))
        return false;
    out.name.assign(name);
    out.extension.assign(extension);
    return true;
}

namespace {

/// Where the last component of path[start, end) begins, and its last dot (npos when none).
/// Eight bytes are looked at together: names are short, but their folders are not.
std::size_t FindLastComponent(std::string_view path, std::size_t start, std::size_t& dot)
{
    std::size_t end = path.size();
    dot = std::string_view::npos;
    for (; end - start >= 8; end -= 8) {
        const std::uint64_t word = words::Load(path.data() + end - 8);
        const std::uint64_t separators = words::BytesEqual(word, '/') | words::BytesEqual(word, '\\');
        std::uint64_t dots = words::BytesEqual(word, '.');
        if (separators != 0) {
            const std::size_t last = words::LastMarked(separators);
            // Only the dots after the separator.
            dots = last == 7 ? 0 : dots & (~std::uint64_t{0} << (8 * (last + 1)));
        }
        if (dot == std::string_view::npos && dots != 0)
            dot = end - 8 + words::LastMarked(dots);
        if (separators != 0)
            return end - 8 + words::LastMarked(separators) + 1;
    }
    for (; end > start; --end) {
        const char c = path[end - 1];
        if (c == '/' || c == '\\')
            break;
        if (c == '.' && dot == std::string_view::npos)
            dot = end - 1;
    }
    return end;
}

} // namespace

bool SplitPath(std::string_view path, std::string_view& name, std::string_view& extension)
{
    // A drive prefix such as "z:" belongs to the directory part.
    const std::size_t start = path.size() >= 2 && path[1] == ':' ? 2 : 0;
    std::size_t dot = std::string_view::npos;
    const std::size_t begin = FindLastComponent(path, start, dot);
    const std::string_view base = path.substr(begin, (dot == std::string_view::npos ? path.size() : dot) - begin);
    const std::string_view ext = dot == std::string_view::npos ? std::string_view{} : path.substr(dot);
    if (base.size() >= SplitPathNameLimit || ext.size() >= SplitPathExtLimit)
        return false;
    name = base;
    extension = ext;
    return true;
}

} // namespace brindle
