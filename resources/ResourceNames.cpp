// Resource name conversions, keys and validation.
#include "resources/ResourceNames.h"

#include "platform/Ascii.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace brindle {

namespace {

constexpr const char* kPathCharacters = "Resource name has path characters (illegal).";
constexpr const char* kDosDevice = "Resource name is a DOS device (illegal).";

template <typename Ref>
Ref ToResRef(std::string_view text)
{
    Ref ref{};
    const std::size_t n = std::min(text.size(), sizeof(ref.RefStr));
    for (std::size_t i = 0; i < n; ++i)
        ref.RefStr[i] = ascii::ToLower(text[i]);
    return ref;
}

} // namespace

NWN::ResRef32 ToResRef32(std::string_view text)
{
    return ToResRef<NWN::ResRef32>(text);
}

NWN::ResRef16 ToResRef16(std::string_view text)
{
    return ToResRef<NWN::ResRef16>(text);
}

std::string_view RawView(const NWN::ResRef32& name)
{
    // Called for every entry of every source: the zero is found by the library's scan.
    const void* zero = std::memchr(name.RefStr, '\0', sizeof(name.RefStr));
    const std::size_t n = zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - name.RefStr)
                                          : sizeof(name.RefStr);
    return std::string_view(name.RefStr, n);
}

std::string RawText(const NWN::ResRef32& name)
{
    return std::string(RawView(name));
}

std::string ToText(const NWN::ResRef32& name)
{
    return ascii::ToLower(RawView(name));
}

std::string MakeResourceKey(NWN::ResType type, std::string_view name)
{
    std::string key = std::to_string(type);
    key += 'T';
    key += name;
    return key;
}

void ValidateResourceName(std::string_view name)
{
    if (name.find('\\') != std::string_view::npos || name.find('/') != std::string_view::npos ||
        name.find("..") != std::string_view::npos)
        throw std::runtime_error(kPathCharacters);
    static constexpr std::string_view kDevices[] = {"PRN", "AUX", "CON", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (std::string_view device : kDevices)
        if (name == device)
            throw std::runtime_error(kDosDevice);
    if (name.size() == 4 && (name.substr(0, 3) == "COM" || name.substr(0, 3) == "LPT") && ascii::IsDigit(name[3]))
        throw std::runtime_error(kDosDevice);
}

} // namespace brindle
