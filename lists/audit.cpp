#include "lists/audit.h"

#include "lists/list_files.h"
#include "lists/walk.h"
#include "sign/utf8.h"

namespace firma {
namespace {

constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

// Where `path` leads, made absolute by the system and normal, before it is
// made comparable.
std::string whole_name(const std::filesystem::path& path) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(path, error);
    return utf8_of_path((error ? path : absolute).lexically_normal());
}

std::string key_of(const std::filesystem::path& path) {
    return comparable_name(whole_name(path));
}

bool ends_in_separator(std::string_view name) {
    return !name.empty() && (name.back() == '/' || name.back() == kSeparator);
}

// A relative name that normalising would leave as it is: no component empty,
// "." or "..", and none ending in a dot or a space, which Windows drops.
bool plain(std::string_view name) {
    const std::string_view separators = kSeparator == '/' ? "/" : "/\\";
    if (name.empty() || (kSeparator != '/' && name.find(':') != std::string_view::npos)) return false;
    for (std::size_t start = 0;;) {
        const std::size_t end = name.find_first_of(separators, start);
        const std::string_view part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == ".." || part.back() == '.' || part.back() == ' ') return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

}  // namespace

ListedNames::ListedNames(const std::filesystem::path& folder) {
    prefix_ = utf8_of_path(folder);
    if (!prefix_.empty() && !ends_in_separator(prefix_)) prefix_ += kSeparator;
    folder_key_ = whole_name(folder.empty() ? std::filesystem::path(".") : folder);
    if (!ends_in_separator(folder_key_)) folder_key_ += kSeparator;
}

// A path below the folder is the folder's key and the rest, which is all the
// system would do for a plain rest: the costly normalising (a fifth of a
// hundred-thousand-file audit) is left to the other paths.
std::string ListedNames::key(const std::filesystem::path& path) const {
    const std::string name = utf8_of_path(path);
    if (name.starts_with(prefix_) && plain(std::string_view(name).substr(prefix_.size())))
        return comparable_name(folder_key_ + name.substr(prefix_.size()));
    return key_of(path);
}

void ListedNames::add(const std::filesystem::path& path) {
    keys_.insert(key(path));
}

bool ListedNames::holds(const std::filesystem::path& path) const {
    return keys_.contains(key(path));
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
