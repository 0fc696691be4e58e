// Run-time libraries through dlopen, dlsym and dlclose.
#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace brindle::platform {

LibraryHandle LoadDynamicLibrary(const std::string& path)
{
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
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
