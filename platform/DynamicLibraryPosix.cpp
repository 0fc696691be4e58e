// Run-time libraries through dlopen, dlsym and dlclose.
#include "platform/DynamicLibrary.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace brindle::platform {

LibraryHandle LoadDynamicLibrary(const std::string& path)
{
    // A library named by a path must be a regular file: the loader's plain open of a FIFO would wait
    // for a writer forever. (A bare name is searched for by the loader itself.)
    struct stat st {};
    if (path.find('/') != std::string::npos && (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)))
        return nullptr;
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

LibraryHandle LoadGameLibrary(const std::string& path)
{
    // The game ships a Windows image, which this loader can never take; whatever native library
    // sits in its place was put there by someone else. A bare name would be looked for along the
    // library path, not where the check looked, so only a path is checked and handed on.
    if (path.find('/') == std::string::npos || !HasPortableExecutableSignature(path))
        return nullptr;
    return LoadDynamicLibrary(path);
}

void* FindLibraryExport(LibraryHandle library, const char* name)
{
    return library != nullptr ? dlsym(library, name) : nullptr;
}

void FreeDynamicLibrary(LibraryHandle library)
{
    if (library != nullptr)
        dlclose(library);
}

bool IsDynamicLibraryLoaded(const std::string& path)
{
    void* const library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr)
        return false;
    dlclose(library);
    return true;
}

} // namespace brindle::platform
