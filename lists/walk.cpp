// What walking does the same way on every system; looking at a folder's
// entries is in walk_posix.cpp and walk_windows.cpp.
#include <algorithm>
#include <filesystem>

#include "lists/list_files.h"
#include "lists/walk.h"
#include "language/translation.h"
#include "sign/utf8.h"

namespace firma {

std::string skipped_warning(Skipped what) {
    switch (what) {
        case Skipped::fifo: return _("FIFO skipped");
        case Skipped::socket: return _("socket skipped");
        case Skipped::character_device: return _("character device skipped");
        case Skipped::block_device: return _("block device skipped");
        case Skipped::dangling_link: return _("dangling symbolic link skipped");
        case Skipped::special_file: break;
    }
    return _("special file skipped");
}

Walk::Walk(std::vector<std::string> operands, bool recursive, bool follow_links, bool protected_files)
    : operands_(std::move(operands)),
      recursive_(recursive),
      follow_links_(follow_links),
      protected_files_(protected_files) {}

std::optional<WalkItem> Walk::enter(const Folder* parent, const std::string& name, const std::string& path,
                                    bool follow) {
    std::error_code error;
    auto handle = OpenFolder::open(parent != nullptr ? parent->handle.get() : nullptr, name, follow, error);
    if (!handle) return WalkItem{path, {}, {}, error, {}};
    const bool on_stack = std::any_of(stack_.begin(), stack_.end(),
                                      [&](const Folder& folder) { return folder.handle->id() == handle->id(); });
    if (on_stack) return WalkItem{path, {}, {}, std::make_error_code(std::errc::too_many_symbolic_link_levels), {}};
    auto names = handle->names(error);
    if (error) return WalkItem{path, {}, {}, error, {}};
    std::sort(names.begin(), names.end());
    // `parent` points into the stack, which may move now.
    stack_.push_back(Folder{path_.size(), std::move(handle), std::move(names)});
    path_ = path;
    return std::nullopt;
}

std::optional<WalkItem> Walk::next() {
    for (;;) {
        if (stack_.empty()) {
            if (next_operand_ == operands_.size()) return std::nullopt;
            const std::string& operand = operands_[next_operand_++];
            // Operands are followed; without -r a folder fails when it is read.
            std::error_code error;
            if (!recursive_ || operand == "-" || !std::filesystem::is_directory(path_of_utf8(operand).value_or(""), error))
                return WalkItem{operand, {}, operand, {}, {}};
            if (auto failure = enter(nullptr, operand, operand, true)) return failure;
            continue;
        }
        Folder& folder = stack_.back();
        if (folder.next == folder.names.size()) {
            path_.resize(folder.parent_path_length);
            stack_.pop_back();
            continue;
        }
        const std::string name = folder.names[folder.next++];
        if (is_unfinished_output(name)) continue;
        if (auto item = classify(folder, name)) return item;
    }
}

}  // namespace firma
