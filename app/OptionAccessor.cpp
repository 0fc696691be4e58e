// Option texts by name.
#include "app/OptionAccessor.h"

namespace brindle {

bool OptionAccessor::Has(const std::string& name) const
{
    return m_Values.find(name) != m_Values.end();
}

bool OptionAccessor::GetText(const std::string& name, std::string& text) const
{
    const auto found = m_Values.find(name);
    if (found == m_Values.end())
        return false;
    text = found->second;
    return true;
}

bool OptionAccessor::IsOn(const std::string& name) const noexcept
{
    const auto found = m_Values.find(name);
    return found != m_Values.end() && found->second == "1";
}

} // namespace brindle
