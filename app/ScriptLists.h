// The lists a constants script assigns, key -> numbers: recorded while the writer writes a script,
// or read back from a script already on disk, so that two scripts can be compared list by list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

/// A list line of the script: optionally "//", then start, the key, keyEnd, "<n>#" per number, end.
inline constexpr std::string_view kListLineStart = "\tSetLocalString( oModule, \"";
inline constexpr std::string_view kListKeyEnd = "\", \"#";
inline constexpr std::string_view kListLineEnd = "\" );";

class ScriptLists {
public:
    using Numbers = std::vector<std::uint32_t>;
    struct List {
        std::string key;
        Numbers numbers; ///< ascending, each once
    };

    /// Records the list a script assigns to key; a later list of the same key replaces it, as the
    /// script's later assignment would. A list written behind "//" assigns nothing: do not add it.
    void Add(std::string_view key, const Numbers& numbers);
    /// Ends the recording: the lists are put in ascending byte order of their keys.
    void Finish();
    /// True once Finish was called: a whole script's lists are here.
    bool Finished() const { return m_Finished; }

    /// After Finish: every list in ascending byte order of its key, each key once.
    const std::vector<List>& Lists() const { return m_Lists; }

    /// The active lists of text when it is a script this tool writes (lines ending in CR LF or LF,
    /// a final line end allowed): its fixed text unchanged, with list lines (active or behind "//")
    /// between. Null otherwise.
    static std::optional<ScriptLists> Parse(std::string_view text);

private:
    /// Puts the lists in key order, lists of one key in the order added.
    void SortByKey();

    std::vector<List> m_Lists;
    bool m_Finished = false;
};

} // namespace brindle
