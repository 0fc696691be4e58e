// Run-time libraries through LoadLibraryA, GetProcAddress and FreeLibrary.
#include "platform/DynamicLibrary.h"

#include <algorithm>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace brindle::platform {

namespace {

// The loader wants backslashes in a path.
std::string NativePath(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

} // namespace

LibraryHandle LoadDynamicLibrary(const std::string& path)
{
    // A library that cannot be loaded is an ordinary failure, never a dialog box.
    DWORD previousMode = 0;
    const bool modeSet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode) != 0;
    HMODULE library = LoadLibraryA(NativePath(path).c_str());
    if (modeSet)
        SetThreadErrorMode(previousMode, nullptr);
    return library;
}

LibraryHandle LoadGameLibrary(const std::string& path)
{
    return LoadDynamicLibrary(path);
}

void* FindLibraryExport(LibraryHandle library, const char* name)
{
    if (library == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void FreeDynamicLibrary(LibraryHandle library)
{
    if (library != nullptr)
        FreeLibrary(static_cast<HMODULE>(library));
}

bool IsDynamicLibraryLoaded(const std::string& path)
{
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(NativePath(path).c_str(), sizeof(full), full, nullptr);
    if (length == 0 || length >= sizeof(full))
        return false;
    HMODULE library = nullptr;
    return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, full, &library) != 0;
}

} // namespace brindle::platform
