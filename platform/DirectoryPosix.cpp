// POSIX implementation of sorted directory listings and case-insensitive path resolution.
#include "platform/Directory.h"

#include "platform/Ascii.h"
#include "platform/SystemFailure.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brindle::platform {

namespace {

// Fills in the kind of one item. A link counts as a regular file when it leads to one; a link to
// a directory is neither kind, so a tree walk never follows it. The listing's own type (the item
// itself, not where a link leads) spares the look at the file where it tells a folder or a file.
void Classify(int dirFd, unsigned char listedType, DirectoryItem& item)
{
    item.isDirectory = listedType == DT_DIR;
    item.isRegularFile = listedType == DT_REG;
    if (item.isDirectory || item.isRegularFile)
        return;
    struct stat st {};
    if (::fstatat(dirFd, item.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        item.isDirectory = true;
        return;
    }
    if (S_ISREG(st.st_mode)) {
        item.isRegularFile = true;
        return;
    }
    if (S_ISLNK(st.st_mode) && ::fstatat(dirFd, item.name.c_str(), &st, 0) == 0)
        item.isRegularFile = S_ISREG(st.st_mode);
}

class DirCloser {
public:
    explicit DirCloser(DIR* dir) : m_Dir(dir) {}
    ~DirCloser() { ::closedir(m_Dir); }
    DirCloser(const DirCloser&) = delete;
    DirCloser& operator=(const DirCloser&) = delete;

private:
    DIR* m_Dir;
};

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
    DIR* dir = ::opendir(path.empty() ? "." : path.c_str());
    if (dir == nullptr) {
        reason = LastSystemError();
        return false;
    }
    DirCloser closer(dir);
    const int dirFd = ::dirfd(dir);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr)
            break;
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        DirectoryItem item{std::string(name), false, false};
        Classify(dirFd, entry->d_type, item);
        items.push_back(std::move(item));
    }
    if (errno != 0) {
        reason = LastSystemError();
        items.clear();
        return false;
    }
    std::sort(items.begin(), items.end(), ListedBefore);
    return true;
}

std::string ResolveComponent(const std::string& parent, const std::string& component)
{
    struct stat st {};
    if (component == "." || component == ".." || ::lstat((parent + component).c_str(), &st) == 0)
        return component;
    std::vector<DirectoryItem> items;
    const std::string* match = nullptr;
    if (ListDirectory(parent, items)) {
        for (const DirectoryItem& item : items)
            if (ascii::EqualsIgnoreCase(item.name, component) && (match == nullptr || item.name < *match))
                match = &item.name;
    }
    return match != nullptr ? *match : component;
}

} // namespace brindle::platform
