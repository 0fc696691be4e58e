// Atomic output of the constants script.
#include "app/ScriptOutput.h"

#include "platform/Process.h"
#include "platform/SystemFailure.h"

#include <stdexcept>

namespace brindle {

namespace {

constexpr const char* kScriptWriteFailed = "Failed to write zorvmantle_set_constants.NSS.";
// The same failure when the machine caused it; the system's reason follows.
constexpr const char* kScriptWriteFailedBySystem = "Failed to write zorvmantle_set_constants.NSS";

constexpr std::size_t kWriteBufferSize = 64 * 1024;
// Temporary files are named after the script, so a leftover (after the process was killed) shows
// what it was.
constexpr const char* kTemporarySuffix = ".tmp";

/// A full disk or a failing device ends the run as the machine's failure; anything else (a folder
/// that may not be written) keeps the plain text.
[[noreturn]] void ThrowWriteFailed(std::error_code reason)
{
    if (platform::IsMachineReason(reason))
        throw platform::SystemFailure(kScriptWriteFailedBySystem, reason);
    throw std::runtime_error(kScriptWriteFailed);
}

} // namespace

std::string ScriptPathIn(const std::string& directory)
{
    return directory.empty() ? std::string(kScriptFileName) : directory + "/" + kScriptFileName;
}

ScriptOutput::FileBuffer::FileBuffer() : m_Buffer(kWriteBufferSize)
{
    setp(m_Buffer.data(), m_Buffer.data() + m_Buffer.size());
}

bool ScriptOutput::FileBuffer::Drain()
{
    const auto pending = static_cast<std::uint32_t>(pptr() - pbase());
    std::uint32_t written = 0;
    if (pending != 0 && !m_Failed && !platform::WriteOsFile(m_File, pbase(), pending, written)) {
        m_Failed = true;
        m_Error = platform::LastSystemError();
    }
    setp(m_Buffer.data(), m_Buffer.data() + m_Buffer.size());
    return !m_Failed;
}

ScriptOutput::FileBuffer::int_type ScriptOutput::FileBuffer::overflow(int_type ch)
{
    if (!Drain())
        return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

int ScriptOutput::FileBuffer::sync()
{
    return Drain() ? 0 : -1;
}

ScriptOutput::ScriptOutput(const std::string& directory)
    : m_FinalPath(ScriptPathIn(directory)),
      m_Stream(&m_Buffer)
{
    // An interrupted run keeps the earlier script and leaves no half-written file beside it.
    m_File.Reset(platform::CreateUniqueFileRemovedOnInterrupt(m_FinalPath + kTemporarySuffix, m_TemporaryPath));
    if (!m_File)
        ThrowWriteFailed(platform::LastSystemError());
    m_Buffer.Attach(m_File.Get());
}

ScriptOutput::~ScriptOutput()
{
    Discard();
}

void ScriptOutput::Discard()
{
    m_File.Reset();
    if (!m_TemporaryPath.empty()) {
        platform::RemoveFileOnInterrupt({});
        platform::DeleteFilePath(m_TemporaryPath);
        m_TemporaryPath.clear();
    }
}

void ScriptOutput::Commit()
{
    if (!m_File)
        ThrowWriteFailed({});
    m_Stream.flush();
    std::error_code reason = m_Buffer.Error();
    bool written = !m_Stream.fail() && !m_Buffer.Failed();
    if (written && !platform::FlushOsFile(m_File.Get())) {
        written = false;
        reason = platform::LastSystemError();
    }
    const bool closed = m_File.Close();
    if (written && !closed)
        reason = platform::LastSystemError();
    m_Buffer.Attach(platform::InvalidOsFile);
    const bool replaced = written && closed && platform::ReplaceFile(m_TemporaryPath, m_FinalPath);
    if (written && closed && !replaced)
        reason = platform::LastSystemError();
    if (!replaced) {
        Discard();
        ThrowWriteFailed(reason);
    }
    platform::RemoveFileOnInterrupt({});
    m_TemporaryPath.clear();
}

} // namespace brindle
