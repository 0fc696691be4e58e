// Win32 implementation of sorted directory listings and case-insensitive path resolution.
#include "platform/Directory.h"

#include "platform/Ascii.h"
#include "platform/File.h"
#include "platform/SystemFailure.h"

#include <algorithm>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace brindle::platform {

namespace {

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

std::string Join(const std::string& directory, const std::string& name)
{
    if (directory.empty())
        return name;
    return IsSeparator(directory.back()) ? directory + name : directory + "\\" + name;
}

// A listing or a single lookup that reports long names only (never 8.3 short names).
HANDLE FindFirst(const std::string& pattern, WIN32_FIND_DATAA& data)
{
    return FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
}

// Fills in the kind of one item. A symbolic link or junction to a directory is neither kind, so a
// tree walk never follows it; any other reparse point counts as a regular file when what it leads
// to is one.
void Classify(const std::string& directory, const WIN32_FIND_DATAA& data, DirectoryItem& item)
{
    item.isDirectory = false;
    item.isRegularFile = false;
    const DWORD attributes = data.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        item.isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        item.isRegularFile = !item.isDirectory && (attributes & FILE_ATTRIBUTE_DEVICE) == 0;
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return;
    HANDLE target = CreateFileA(Join(directory, item.name).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (target == INVALID_HANDLE_VALUE)
        return;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(target, &info) != 0 && GetFileType(target) == FILE_TYPE_DISK)
        item.isRegularFile = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    CloseHandle(target);
}

} // namespace

bool ListDirectory(const std::string& path, std::vector<DirectoryItem>& items)
{
    std::error_code reason;
    return ListDirectory(path, items, reason);
}

bool ListDirectory(const std::string& path, std::vector<DirectoryItem>& items, std::error_code& reason)
{
    items.clear();
    reason.clear();
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirst(Join(path, "*"), data);
    if (find == INVALID_HANDLE_VALUE) {
        reason = LastSystemError();
        // The root of an empty drive has no "." entry to find; a missing directory is another error.
        if (reason.value() == ERROR_FILE_NOT_FOUND && IsDirectory(path.empty() ? "." : path))
            reason.clear();
        return !reason;
    }
    do {
        const std::string_view name(data.cFileName);
        if (name == "." || name == "..")
            continue;
        DirectoryItem item{std::string(name), false, false};
        Classify(path, data, item);
        items.push_back(std::move(item));
    } while (FindNextFileA(find, &data) != 0);
    const DWORD error = GetLastError();
    FindClose(find);
    if (error != ERROR_NO_MORE_FILES) {
        reason = std::error_code(static_cast<int>(error), std::system_category());
        items.clear();
        return false;
    }
    std::sort(items.begin(), items.end(), ListedBefore);
    return true;
}

// The file system ignores case already; resolving only gives a component the case it has on disk,
// so that paths read the same as on a case-sensitive system. A lookup of one name reports the name
// as stored. Whatever the POSIX resolution keeps as given (no ASCII case-folded match, "." and "..")
// is kept as given here too, and so is a wildcard, which the lookup would take as a pattern.
std::string ResolveComponent(const std::string& parent, const std::string& component)
{
    if (component == "." || component == ".." || component.find_first_of("*?") != std::string::npos)
        return component;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirst(parent + component, data);
    if (find == INVALID_HANDLE_VALUE)
        return component;
    FindClose(find);
    return ascii::EqualsIgnoreCase(data.cFileName, component) ? std::string(data.cFileName) : component;
}

} // namespace brindle::platform
