// Where the system keeps the current user's folders and settings: the home and Documents folders,
// environment variables and, on Windows, the registry.
#pragma once

#include <string>

namespace brindle::platform {

/// The user's home folder: $HOME when it is set and absolute (POSIX), %USERPROFILE% (Windows);
/// empty when unknown.
std::string UserHomeFolder();

/// The user's Documents folder as the system's known-folder call gives it (it follows a
/// redirection to another place); empty where the system has none (POSIX).
std::string UserDocumentsFolder();

/// The value of an environment variable; empty when it is not set.
std::string EnvironmentText(const char* name);

enum class RegistryRoot { LocalMachine, CurrentUser };

/// A text value (plain or expandable, not expanded) of key in the registry's 32-bit view, where
/// 32-bit programs write their settings. False when the key or value is missing, is not text or is
/// longer than 32 KiB, and always where the system has no registry (POSIX).
bool ReadRegistryText(RegistryRoot root, const std::string& key, const std::string& value, std::string& text);

} // namespace brindle::platform
