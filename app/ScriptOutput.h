// The output file of the constants script, written atomically: the text goes to a temporary file
// beside it, which replaces the script only once the whole text was written.
#pragma once

#include "platform/File.h"

#include <ostream>
#include <streambuf>
#include <string>
#include <system_error>
#include <vector>

namespace brindle {

inline constexpr const char* kScriptFileName = "zorvmantle_set_constants.NSS";

/// The script's path in directory (empty: the working directory).
std::string ScriptPathIn(const std::string& directory);

class ScriptOutput {
public:
    /// Creates the temporary file in directory (empty: the working directory). Throws
    /// std::runtime_error("Failed to write zorvmantle_set_constants.NSS.") when it cannot be created,
    /// or a platform::SystemFailure when the machine is the cause (no space, an I/O error, ...).
    explicit ScriptOutput(const std::string& directory);
    /// Without a Commit the temporary file is removed and an earlier script stays as it was.
    ~ScriptOutput();
    ScriptOutput(const ScriptOutput&) = delete;
    ScriptOutput& operator=(const ScriptOutput&) = delete;

    /// The script's text goes here; bytes are written as given (line ends included).
    std::ostream& Stream() { return m_Stream; }
    /// Writes out what is buffered and puts the finished file in place of the script. Throws
    /// std::runtime_error("Failed to write zorvmantle_set_constants.NSS.") when any write, the flush
    /// or the rename failed (a platform::SystemFailure when the machine is the cause).
    void Commit();

    const std::string& TemporaryPath() const { return m_TemporaryPath; }
    const std::string& FinalPath() const { return m_FinalPath; }

private:
    /// A write buffer over the temporary file that remembers any failed write.
    class FileBuffer : public std::streambuf {
    public:
        FileBuffer();
        void Attach(platform::OsFile file) { m_File = file; }
        bool Failed() const { return m_Failed; }
        /// The reason of the first failed write.
        std::error_code Error() const { return m_Error; }

    protected:
        int_type overflow(int_type ch) override;
        int sync() override;

    private:
        bool Drain();

        platform::OsFile m_File = platform::InvalidOsFile;
        bool m_Failed = false;
        std::error_code m_Error;
        std::vector<char> m_Buffer;
    };

    void Discard();

    std::string m_FinalPath;
    std::string m_TemporaryPath;
    platform::OwnedFile m_File;
    FileBuffer m_Buffer;
    std::ostream m_Stream;
};

} // namespace brindle
