// Reading unzip's output.
#include "tests/support/Unzip.h"

namespace brindle::test {

std::vector<std::string> SplitListing(const std::string& text)
{
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string name = text.substr(start, end - start);
        while (!name.empty() && name.back() == '\r')
            name.pop_back();
        names.push_back(name);
        start = end + 1;
    }
    return names;
}

} // namespace brindle::test
