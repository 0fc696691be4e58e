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
    // A plain backward loop: find_last_of with a set searches the set once per character.
    for (std::size_t i = path.size(); i > start; --i) {
        if (path[i - 1] == '/' || path[i - 1] == '\\') {
            start = i;
            break;
        }
    }
    const std::string_view last = path.substr(start);
    const std::size_t dot = last.find_last_of('.');
    const std::string_view base = dot == std::string_view::npos ? last : last.substr(0, dot);
    const std::string_view ext = dot == std::string_view::npos ? std::string_view{} : last.substr(dot);
    if (base.size() >= SplitPathNameLimit || ext.size() >= SplitPathExtLimit)
        return false;
    name = base;
    extension = ext;
    return true;
}

} // namespace brindle
