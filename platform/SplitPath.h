// Splits a path into its file name and extension with the limits of the runtime's splitter.
#pragma once

#include <string>
#include <string_view>

namespace brindle {

/// The file-name part of a split path holds fewer than this many characters.
inline constexpr std::size_t SplitPathNameLimit = 260;
/// The extension (with its dot) holds fewer than this many characters.
inline constexpr std::size_t SplitPathExtLimit = 32;

struct SplitPathResult {
    std::string name;      ///< the last component without its extension
    std::string extension; ///< from the last dot of the last component, dot included; may be empty
};

/// Splits path: the directory part ends at the last "/" or "\\", the extension starts at the last
/// dot after it. False when the name or the extension does not fit its limit.
bool SplitPath(std::string_view path, SplitPathResult& out);
/// The same split without copies: name and extension point into path.
bool SplitPath(std::string_view path, std::string_view& name, std::string_view& extension);

} // namespace brindle
