// Atomic output of the constants script, and the removal of what killed writers left behind.
#include "app/ScriptOutput.h"

#include "platform/File.h"
#include "platform/Process.h"
#include "platform/SystemFailure.h"
#include "platform/TemporaryOutput.h"

#include <limits>
#include <stdexcept>

namespace brindle {

namespace {

constexpr const char* kScriptWriteFailed = "Failed to write zorvmantle_set_constants.NSS.";
// The same failure when the machine caused it; the system's reason follows.
constexpr const char* kScriptWriteFailedBySystem = "Failed to write zorvmantle_set_constants.NSS";

// Temporary files are named after the script and their writer's process id, so a leftover (after
// the process was killed) shows what it was, and a later run can tell that its writer is gone.
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr char kWriterSeparator = '-';
/// More digits than any process id has.
constexpr std::size_t kMaxWriterDigits = 10;

/// A full disk or a failing device ends the run as the machine's failure; anything else (a folder
/// that may not be written) keeps the plain text.
[[noreturn]] void ThrowWriteFailed(std::error_code reason)
{
    if (platform::IsMachineReason(reason))
        throw platform::SystemFailure(kScriptWriteFailedBySystem, reason);
    throw std::runtime_error(kScriptWriteFailed);
}

/// The most text made room for at the start: what an earlier script of reasonable size asks for.
constexpr std::uint64_t kMaxReservedText = std::uint64_t{64} << 20;

/// Room for about as much text as the script in place holds (a rerun writes nearly the same), so
/// the text is not grown, and copied onto fresh pages, again and again while it is written.
std::string RoomForEarlierScript(const std::string& path)
{
    std::string room;
    const platform::OwnedFile earlier(
        platform::OpenForReading(path, platform::ShareMode::Read, platform::AccessHint::Normal));
    std::uint64_t size = 0;
    if (earlier && platform::SizeOsFile(earlier.Get(), size) && size <= kMaxReservedText)
        room.reserve(static_cast<std::size_t>(size + size / 8));
    return room;
}

/// Removes the temporary script files in directory whose writers are dead. Only files of the
/// current user with exactly the tool's name are candidates; a file whose writer's id is taken by
/// a live process stays until a later run.
void RemoveDeadWritersFiles(const std::string& directory)
{
    const std::string prefix = std::string(kScriptFileName) + std::string(kTemporarySuffix);
    for (const std::string& name : platform::ListOwnedFiles(directory.empty() ? "." : directory, prefix)) {
        const std::optional<unsigned long> writer = TemporaryScriptWriter(name);
        if (writer && !platform::IsProcessAlive(*writer))
            platform::DeleteFilePath(directory.empty() ? name : directory + "/" + name);
    }
}

} // namespace

std::string ScriptPathIn(const std::string& directory)
{
    return directory.empty() ? std::string(kScriptFileName) : directory + "/" + kScriptFileName;
}

std::optional<unsigned long> TemporaryScriptWriter(std::string_view name)
{
    const std::string_view script = kScriptFileName;
    if (!name.starts_with(script) || !name.substr(script.size()).starts_with(kTemporarySuffix))
        return std::nullopt;
    name.remove_prefix(script.size() + kTemporarySuffix.size());
    const std::size_t digits = name.find(kWriterSeparator);
    if (digits == 0 || digits > kMaxWriterDigits || digits == std::string_view::npos || name[0] == '0')
        return std::nullopt;
    unsigned long long pid = 0;
    for (const char c : name.substr(0, digits)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        pid = pid * 10 + static_cast<unsigned>(c - '0');
    }
    const std::string_view random = name.substr(digits + 1);
    if (random.size() != platform::kUniqueNameLength ||
        random.find_first_not_of(platform::kUniqueNameLetters) != std::string_view::npos ||
        pid > std::numeric_limits<unsigned long>::max())
        return std::nullopt;
    return static_cast<unsigned long>(pid);
}

ScriptOutput::ScriptOutput(const std::string& directory)
    : m_FinalPath(ScriptPathIn(directory)),
      m_TemporaryPrefix(m_FinalPath + std::string(kTemporarySuffix) + std::to_string(platform::CurrentProcessId()) +
                        kWriterSeparator)
{
    // The stream writes into the room the string has.
    m_Text.str(RoomForEarlierScript(m_FinalPath));
    RemoveDeadWritersFiles(directory);
    // A folder the script cannot be written in fails now, before the run, not after it.
    platform::TemporaryOutput probe;
    if (const std::error_code reason = probe.Create(m_TemporaryPrefix))
        ThrowWriteFailed(reason);
    probe.Discard();
}

void ScriptOutput::Commit()
{
    // The text was kept whole, or memory ran out on the way.
    if (m_Text.fail())
        ThrowWriteFailed(std::make_error_code(std::errc::not_enough_memory));
    // An interrupt during the write removes the file; the earlier script stays as it was.
    platform::TemporaryOutput output;
    std::error_code reason = output.Create(m_TemporaryPrefix);
    if (!reason)
        reason = output.Write(m_Text.view());
    if (!reason)
        reason = output.Keep(m_FinalPath);
    if (reason) {
        output.Discard();
        ThrowWriteFailed(reason);
    }
}

} // namespace brindle
