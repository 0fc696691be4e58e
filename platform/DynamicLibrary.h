// Loading shared libraries at run time and resolving their exports.
#pragma once

#include <string>

namespace brindle::platform {

/// A loaded library; null when nothing is loaded.
using LibraryHandle = void*;

/// Loads a library from a path; null when it cannot be loaded.
LibraryHandle LoadDynamicLibrary(const std::string& path);
/// Loads the game's own library, a Windows (PE) image: anything else at path is refused before the
/// system's loader sees it, so a native library placed there never runs its constructors. Where
/// the loader takes PE images itself (Windows), the same as LoadDynamicLibrary.
LibraryHandle LoadGameLibrary(const std::string& path);
/// True when the file at path begins with a DOS header ("MZ") whose new-header offset points at the
/// PE signature "PE\0\0".
bool HasPortableExecutableSignature(const std::string& path);
/// The address of an export; null when the library has no such export.
void* FindLibraryExport(LibraryHandle library, const char* name);
/// Releases one load of a library.
void FreeDynamicLibrary(LibraryHandle library);
/// True when the library at path is currently loaded into the process (without loading it).
bool IsDynamicLibraryLoaded(const std::string& path);

/// The export name of the model library's conversion entry point. 32-bit Windows decorates
/// standard-call exports with a leading underscore and the size of the arguments.
inline constexpr const char* kGrannyConvertExportName =
#if defined(_WIN32) && !defined(_WIN64)
    "_GrannyConvertFileToRaw@8";
#else
    "GrannyConvertFileToRaw";
#endif

} // namespace brindle::platform
