// The audit of a list that covers a whole folder: the files below the folder
// that the list does not name, found by the walk's own rules (hidden+system
// files and unfinished lists left out, links to folders not followed), with
// the list itself left out too.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <unordered_set>

namespace firma {

// The files a list names, as the system compares names: where they lead from
// the current folder, and on Windows whatever the case of their letters.
class ListedNames {
public:
    // Paths added and asked about mostly start with `folder` (where the list's
    // names are looked for): those are compared without asking the system.
    explicit ListedNames(const std::filesystem::path& folder = {});
    void add(const std::filesystem::path& path);
    bool holds(const std::filesystem::path& path) const;

private:
    std::string key(const std::filesystem::path& path) const;

    std::string prefix_;      // `folder` as paths below it start, separator included
    std::string folder_key_;  // where it leads, separator included
    std::unordered_set<std::string> keys_;
};

// The folder a list covers: its own ("." for standard input).
std::filesystem::path folder_of_list(const std::string& list);

// Calls `found` with each regular file below the folder of `list` that
// `listed` lacks (its name relative to that folder, as a list would hold it),
// in the walk's order, and `failed` with each folder or entry that could not
// be read (its path from the current folder).
void find_unlisted(const std::string& list, const ListedNames& listed,
                   const std::function<void(const std::string& path)>& found,
                   const std::function<void(const std::string& path, const std::error_code& error)>& failed);

}  // namespace firma
