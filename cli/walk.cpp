#include "cli/walk.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace firma::cli {
namespace {

std::string join(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

}  // namespace

Walk::Walk(std::vector<std::string> operands, bool recursive, bool follow_links)
    : operands_(std::move(operands)), recursive_(recursive), follow_links_(follow_links) {}

bool Walk::on_stack(std::pair<dev_t, ino_t> id) const {
    return std::any_of(stack_.begin(), stack_.end(), [&](const Folder& folder) { return folder.id == id; });
}

// Lists a folder onto the stack; an unreadable one becomes an error item.
std::optional<WalkItem> Walk::enter(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return WalkItem{path, {errno, std::system_category()}};
    const std::pair<dev_t, ino_t> id{status.st_dev, status.st_ino};
    if (on_stack(id)) return WalkItem{path, std::make_error_code(std::errc::too_many_symbolic_link_levels)};
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(path.c_str()), ::closedir);
    if (!folder) return WalkItem{path, {errno, std::system_category()}};
    Folder entry{path, {}, 0, id};
    errno = 0;
    while (const dirent* item = ::readdir(folder.get())) {
        const std::string name = item->d_name;
        if (name != "." && name != "..") entry.names.push_back(name);
        errno = 0;
    }
    if (errno != 0) return WalkItem{path, {errno, std::system_category()}};
    std::sort(entry.names.begin(), entry.names.end());
    stack_.push_back(std::move(entry));
    return std::nullopt;
}

std::optional<WalkItem> Walk::next() {
    for (;;) {
        if (stack_.empty()) {
            if (next_operand_ == operands_.size()) return std::nullopt;
            const std::string& operand = operands_[next_operand_++];
            struct stat status {};
            // Operands are followed; without -r a folder fails when it is read.
            if (!recursive_ || operand == "-" || ::stat(operand.c_str(), &status) != 0 ||
                !S_ISDIR(status.st_mode))
                return WalkItem{operand, {}};
            if (auto failure = enter(operand)) return failure;
            continue;
        }
        Folder& folder = stack_.back();
        if (folder.next == folder.names.size()) {
            stack_.pop_back();
            continue;
        }
        const std::string path = join(folder.path, folder.names[folder.next++]);
        struct stat own {};
        if (::lstat(path.c_str(), &own) != 0) return WalkItem{path, {errno, std::system_category()}};
        struct stat target = own;
        const bool link = S_ISLNK(own.st_mode);
        if (link && ::stat(path.c_str(), &target) != 0) continue;  // dangling: nothing to sign
        if (S_ISDIR(target.st_mode)) {
            if (link && !follow_links_) continue;
            if (auto failure = enter(path)) return failure;
            continue;
        }
        // FIFOs, devices and sockets inside a tree are not files to sign.
        if (S_ISREG(target.st_mode)) return WalkItem{path, {}};
    }
}

}  // namespace firma::cli
