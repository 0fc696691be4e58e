// Reader of the registry files of a Wine prefix (system.reg, user.reg): "[key]" lines, each
// followed by "name"="text" lines, with backslash escapes in names and texts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brindle {

class WineRegistryText {
public:
    /// Longest file read. A busy prefix's system.reg holds a few megabytes.
    static constexpr std::size_t kMaxBytes = 64u << 20;

    /// Keeps a view of text (which must outlive the reader) after checking its first line.
    /// Throws std::runtime_error("Not a Wine registry file.") when the text is longer than
    /// kMaxBytes or does not begin with "WINE REGISTRY Version ".
    explicit WineRegistryText(std::string_view text);

    /// The text of value name under key (a path below the file's root, "Software\Valve\Steam",
    /// with single backslashes), both matched without regard to ASCII case; plain strings and
    /// expandable strings (str(2)) count, other types do not. False when there is none.
    bool GetText(std::string_view key, std::string_view name, std::string& text) const;

private:
    std::string_view m_Text;
};

} // namespace brindle
