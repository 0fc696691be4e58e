// Read access to the options of the configuration file, as the texts the file gave them.
#pragma once

#include <map>
#include <string>

namespace brindle {

class OptionAccessor {
public:
    OptionAccessor() = default;
    /// Options by full dotted name ("settings.module") with their texts.
    explicit OptionAccessor(std::map<std::string, std::string> values) : m_Values(std::move(values)) {}

    /// True when the option was given (an empty text counts as given).
    bool Has(const std::string& name) const;
    /// The option's text; false, leaving text alone, when the option was not given.
    bool GetText(const std::string& name, std::string& text) const;
    /// True only when the option was given and its text is exactly "1"; an absent option is off.
    /// Never throws.
    bool IsOn(const std::string& name) const noexcept;

private:
    std::map<std::string, std::string> m_Values;
};

} // namespace brindle
