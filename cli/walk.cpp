// What walking does the same way on every system; entering folders and
// looking at their entries is in walk_posix.cpp and walk_windows.cpp.
#include <algorithm>
#include <filesystem>

#include "cli/system.h"
#include "cli/walk.h"
#include "sign/utf8.h"

namespace firma::cli {

Walk::Walk(std::vector<std::string> operands, bool recursive, bool follow_links)
    : operands_(std::move(operands)), recursive_(recursive), follow_links_(follow_links) {}

bool Walk::on_stack(std::pair<std::uint64_t, std::uint64_t> id) const {
    return std::any_of(stack_.begin(), stack_.end(), [&](const Folder& folder) { return folder.id == id; });
}

void Walk::push(Folder folder, const std::string& path) {
    folder.parent_path_length = path_.size();
    stack_.push_back(std::move(folder));
    path_ = path;
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
        if (auto item = classify(folder, name)) return item;
    }
}

}  // namespace firma::cli
