#include "lists/audit.h"

#include "lists/list_files.h"
#include "lists/walk.h"
#include "sign/utf8.h"

namespace firma {
namespace {

std::string key_of(const std::filesystem::path& path) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(path, error);
    return comparable_name(utf8_of_path((error ? path : absolute).lexically_normal()));
}

}  // namespace

void ListedNames::add(const std::filesystem::path& path) {
    keys_.insert(key_of(path));
}

bool ListedNames::holds(const std::filesystem::path& path) const {
    return keys_.contains(key_of(path));
}

std::filesystem::path folder_of_list(const std::string& list) {
    const auto path = path_of_utf8(list);
    if (list == "-" || !path || path->parent_path().empty()) return ".";
    return path->parent_path();
}

void find_unlisted(const std::string& list, const ListedNames& listed,
                   const std::function<void(const std::string& path)>& found,
                   const std::function<void(const std::string& path, const std::error_code& error)>& failed) {
    const auto list_path = path_of_utf8(list);
    if (!list_path) return;
    const std::string folder = utf8_of_path(folder_of_list(list));
    const std::string itself = list == "-" ? std::string() : key_of(*list_path);
    Walk walk({folder}, true, false);
    while (auto item = walk.next()) {
        if (item->error) {
            failed(item->path, item->error);
            continue;
        }
        if (!item->skipped.empty()) continue;
        const auto path = path_of_utf8(item->path);
        if (!path || key_of(*path) == itself || listed.holds(*path)) continue;
        // The walk's paths start with the folder and a separator.
        found(item->path.substr(std::min(item->path.size(), folder.size() + 1)));
    }
}

}  // namespace firma
