// The user's folders on Windows: the profile, the Documents known folder, the environment and the
// registry's 32-bit view.
#include "platform/UserFolders.h"

#include <cstdlib>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shlobj.h>

namespace brindle::platform {

namespace {

constexpr DWORD kMaxRegistryText = 32 * 1024;

// FOLDERID_Documents, spelled out so that no GUID library has to be linked.
constexpr GUID kDocumentsFolder = {0xFDD39AD0, 0x238F, 0x46AF, {0xAD, 0xB4, 0x6C, 0x85, 0x48, 0x03, 0x69, 0xC7}};

/// The wide text in the process's ANSI code page, as every other path of the program is.
std::string ToAnsi(const wchar_t* wide)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string text(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, text.data(), size, nullptr, nullptr) != size)
        return {};
    text.pop_back();
    return text;
}

/// Closes a registry key when it goes.
class OpenKey {
public:
    OpenKey(HKEY root, const std::string& key)
    {
        if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &m_Key) != ERROR_SUCCESS)
            m_Key = nullptr;
    }
    ~OpenKey()
    {
        if (m_Key != nullptr)
            RegCloseKey(m_Key);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    HKEY Get() const { return m_Key; }

private:
    HKEY m_Key = nullptr;
};

} // namespace

std::string UserHomeFolder()
{
    return EnvironmentText("USERPROFILE");
}

std::string UserDocumentsFolder()
{
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(kDocumentsFolder, 0, nullptr, &path)))
        folder = ToAnsi(path);
    CoTaskMemFree(path);
    return folder;
}

std::string EnvironmentText(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

bool ReadRegistryText(RegistryRoot root, const std::string& key, const std::string& value, std::string& text)
{
    const OpenKey open(root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, key);
    if (open.Get() == nullptr)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(open.Get(), value.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size > kMaxRegistryText)
        return false;
    std::vector<char> bytes(size + 1, '\0');
    if (RegQueryValueExA(open.Get(), value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size > kMaxRegistryText)
        return false;
    // The stored text may or may not end in its terminator; the extra byte gives it one.
    text.assign(bytes.data());
    return true;
}

} // namespace brindle::platform
