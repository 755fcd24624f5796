#include "lists/walk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "sign/system_errors.h"

namespace firma {
namespace {

std::string join(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

Skipped kind_of(mode_t mode) {
    if (S_ISFIFO(mode)) return Skipped::fifo;
    if (S_ISSOCK(mode)) return Skipped::socket;
    if (S_ISCHR(mode)) return Skipped::character_device;
    if (S_ISBLK(mode)) return Skipped::block_device;
    return Skipped::special_file;
}

}  // namespace

std::optional<WalkItem> Walk::classify(const Folder& folder, const std::string& name) {
    const std::string path = join(path_, name);
    const int at = folder.handle->native();
    struct stat own {};
    if (::fstatat(at, name.c_str(), &own, AT_SYMLINK_NOFOLLOW) != 0) return WalkItem{path, {}, {}, last_system_error(), {}};
    struct stat target = own;
    const bool link = S_ISLNK(own.st_mode);
    if (link && ::fstatat(at, name.c_str(), &target, 0) != 0) {
        if (errno == ENOENT) return WalkItem{path, {}, {}, {}, skipped_warning(Skipped::dangling_link)};
        return WalkItem{path, {}, {}, last_system_error(), {}};
    }
    if (S_ISDIR(target.st_mode)) {
        if (link && !follow_links_) return std::nullopt;  // documented: -L follows them
        return enter(&folder, name, path, link);  // may move `folder`: not used after
    }
    // Links to regular files are signed: the bytes are the file's.
    if (S_ISREG(target.st_mode)) return WalkItem{path, folder.handle, name, {}, {}, true};
    return WalkItem{path, {}, {}, {}, skipped_warning(kind_of(target.st_mode))};
}

std::string skipped_now(const WalkItem& item) {
    struct stat status {};
    const int at = item.folder != nullptr ? item.folder->native() : AT_FDCWD;
    if (::fstatat(at, item.name.c_str(), &status, 0) != 0) return skipped_warning(Skipped::special_file);
    return skipped_warning(kind_of(status.st_mode));
}

}  // namespace firma
