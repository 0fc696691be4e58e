// Directory listings in a fixed order, and resolution of paths whose components may differ in case
// from what is on disk.
#pragma once

#include <string>
#include <system_error>
#include <vector>

namespace brindle::platform {

struct DirectoryItem {
    std::string name;       ///< the item's name as the file system reports it
    bool isDirectory;       ///< a real directory; a symbolic link to a directory is neither kind
    bool isRegularFile;     ///< a regular file, or a symbolic link to one
};

/// Lists path (without "." and ".."), sorted by ASCII upper-cased name, ties by raw bytes. False
/// when the directory cannot be listed.
bool ListDirectory(const std::string& path, std::vector<DirectoryItem>& items);
/// The same, with the system's reason when the directory cannot be listed.
bool ListDirectory(const std::string& path, std::vector<DirectoryItem>& items, std::error_code& reason);

/// The order of a listing: true when a comes before b (ASCII upper-cased names, ties by raw bytes).
bool ListedBefore(const DirectoryItem& a, const DirectoryItem& b);

/// base followed by relative, where each component of relative is resolved without regard to ASCII
/// case: the exact name when it exists, else the case-folded match in a listing of its parent (the
/// smallest by bytes when several match). Components that match nothing are kept as given, and so
/// are the separators ("/", "//" or "\\") between them. base itself is taken as it is.
std::string ResolveNoCase(const std::string& base, const std::string& relative);

/// One step of ResolveNoCase: the name under which component exists in the directory parent (a
/// path ending in its separator, or empty for the working directory), or component itself.
std::string ResolveComponent(const std::string& parent, const std::string& component);

} // namespace brindle::platform
