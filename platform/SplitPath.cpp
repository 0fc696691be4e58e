// Path splitting with fixed limits.
#include "platform/SplitPath.h"

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

bool SplitPath(std::string_view path, std::string_view& name, std::string_view& extension)
{
    // A drive prefix such as "z:" belongs to the directory part.
    std::size_t start = 0;
    if (path.size() >= 2 && path[1] == ':')
        start = 2;
    // One backward pass finds the last separator and the last dot after it.
    std::size_t dot = std::string_view::npos;
    std::size_t begin = path.size();
    for (; begin > start; --begin) {
        const char c = path[begin - 1];
        if (c == '/' || c == '\\')
            break;
        if (c == '.' && dot == std::string_view::npos)
            dot = begin - 1;
    }
    const std::string_view base = path.substr(begin, (dot == std::string_view::npos ? path.size() : dot) - begin);
    const std::string_view ext = dot == std::string_view::npos ? std::string_view{} : path.substr(dot);
    if (base.size() >= SplitPathNameLimit || ext.size() >= SplitPathExtLimit)
        return false;
    name = base;
    extension = ext;
    return true;
}

} // namespace brindle
