#include "cli/walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace firma::cli {
namespace {

std::string join(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

std::error_code last_error() {
    return {errno, std::generic_category()};
}

// What a file that is not signed is, for the warning.
std::string kind_of(mode_t mode) {
    if (S_ISFIFO(mode)) return "FIFO";
    if (S_ISSOCK(mode)) return "socket";
    if (S_ISCHR(mode)) return "character device";
    if (S_ISBLK(mode)) return "block device";
    return "special file";
}

}  // namespace

// Lists a folder onto the stack; an unreadable one becomes an error item.
std::optional<WalkItem> Walk::enter(const Folder* parent, const std::string& name, const std::string& path,
                                    bool follow) {
    const int at = parent != nullptr ? parent->handle->fd() : AT_FDCWD;  // before the stack grows
    const int fd = ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY | (follow ? 0 : O_NOFOLLOW));
    if (fd < 0) return WalkItem{path, {}, {}, last_error(), {}};
    auto handle = std::make_shared<const OpenFolder>(fd);
    struct stat status {};
    if (::fstat(fd, &status) != 0) return WalkItem{path, {}, {}, last_error(), {}};
    const std::pair<std::uint64_t, std::uint64_t> id{status.st_dev, status.st_ino};
    if (on_stack(id)) return WalkItem{path, {}, {}, std::make_error_code(std::errc::too_many_symbolic_link_levels), {}};

    // fdopendir takes the descriptor it is given; the folder keeps its own.
    const int listing = ::dup(fd);
    DIR* opened = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (opened == nullptr) {
        const std::error_code error = last_error();
        if (listing >= 0) ::close(listing);
        return WalkItem{path, {}, {}, error, {}};
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(opened, ::closedir);
    Folder entry{0, std::move(handle), {}, 0, id};
    errno = 0;
    while (const dirent* item = ::readdir(folder.get())) {
        const std::string entry_name = item->d_name;
        if (entry_name != "." && entry_name != "..") entry.names.push_back(entry_name);
        errno = 0;
    }
    if (errno != 0) return WalkItem{path, {}, {}, last_error(), {}};
    std::sort(entry.names.begin(), entry.names.end());
    push(std::move(entry), path);
    return std::nullopt;
}

// One name in a folder: a file to sign, a folder entered, or something left out.
std::optional<WalkItem> Walk::classify(const Folder& folder, const std::string& name) {
    const std::string path = join(path_, name);
    const int at = folder.handle->fd();
    struct stat own {};
    if (::fstatat(at, name.c_str(), &own, AT_SYMLINK_NOFOLLOW) != 0) return WalkItem{path, {}, {}, last_error(), {}};
    struct stat target = own;
    const bool link = S_ISLNK(own.st_mode);
    if (link && ::fstatat(at, name.c_str(), &target, 0) != 0) {
        if (errno == ENOENT) return WalkItem{path, {}, {}, {}, "dangling symbolic link skipped"};
        return WalkItem{path, {}, {}, last_error(), {}};
    }
    if (S_ISDIR(target.st_mode)) {
        if (link && !follow_links_) return std::nullopt;  // documented: -L follows them
        return enter(&folder, name, path, link);  // may move `folder`: not used after
    }
    // Links to regular files are signed: the bytes are the file's.
    if (S_ISREG(target.st_mode)) return WalkItem{path, folder.handle, name, {}, {}, true};
    return WalkItem{path, {}, {}, {}, kind_of(target.st_mode) + " skipped"};
}

std::string skipped_now(const WalkItem& item) {
    struct stat status {};
    const int at = item.folder != nullptr ? item.folder->fd() : AT_FDCWD;
    if (::fstatat(at, item.name.c_str(), &status, 0) != 0) return "special file skipped";
    return kind_of(status.st_mode) + " skipped";
}

}  // namespace firma::cli
