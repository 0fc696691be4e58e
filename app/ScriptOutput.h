// The output file of the constants script, written atomically: the run's text is kept in memory,
// then written to a temporary file beside the script, which replaces the script in one rename.
#pragma once

#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>

namespace brindle {

inline constexpr const char* kScriptFileName = "zorvmantle_set_constants.NSS";

/// The script's path in directory (empty: the working directory).
std::string ScriptPathIn(const std::string& directory);

/// The process id in name when name is exactly that of a temporary script file the tool makes:
/// the script's name, ".tmp", the writer's process id, "-" and the random part. Nothing otherwise.
std::optional<unsigned long> TemporaryScriptWriter(std::string_view name);

class ScriptOutput {
public:
    /// Removes the temporary script files in directory (empty: the working directory) that writers
    /// now dead left behind, then makes sure a temporary file can be created there (one is made and
    /// removed at once). Throws std::runtime_error("Failed to write zorvmantle_set_constants.NSS.")
    /// when it cannot be created, or a platform::SystemFailure when the machine is the cause (no
    /// space, an I/O error, ...).
    explicit ScriptOutput(const std::string& directory);
    ScriptOutput(const ScriptOutput&) = delete;
    ScriptOutput& operator=(const ScriptOutput&) = delete;

    /// The script's text goes here, in memory; bytes are kept as given (line ends included).
    /// Without a Commit nothing is written and an earlier script stays as it was.
    std::ostream& Stream() { return m_Text; }
    /// What was written to Stream() so far.
    std::string_view Text() const { return m_Text.view(); }
    /// Writes the text to a temporary file beside the script, forces it onto the disk and puts it
    /// in place of the script; the temporary file exists only meanwhile. Throws
    /// std::runtime_error("Failed to write zorvmantle_set_constants.NSS.") when the file cannot be
    /// made, or any write, the flush or the rename failed (a platform::SystemFailure when the
    /// machine is the cause).
    void Commit();

    const std::string& FinalPath() const { return m_FinalPath; }

private:
    std::string m_FinalPath;
    std::string m_TemporaryPrefix;
    std::ostringstream m_Text;
};

} // namespace brindle
