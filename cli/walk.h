// The files to sign, from the operands: each operand as given, or with -r, every
// regular file below an operand that is a folder, in sorted order. Produced one
// at a time, so a huge tree never sits in memory whole. On every system an
// item's file is opened through `name`, relative to `folder` when that is set:
// POSIX systems open each folder relative to its parent (trees of any depth,
// renames above cannot redirect a read); Windows names whole paths (long ones
// open through \\?\).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "sign/open_folder.h"

namespace firma::cli {

struct WalkItem {
    std::string path;                          // as the user knows it: operand/a/b
    std::shared_ptr<const OpenFolder> folder;  // when set, open `name` relative to it (never on Windows)
    std::string name;
    std::error_code error;                     // a folder or entry that could not be read
    std::string skipped;                       // why a special file is left out (a warning)
    bool regular = false;                      // found to be a regular file: signed only as one
};

// Why a walked file that was regular is not any more (it was replaced by a
// FIFO, say, after the walk saw it): the walk's own warning for what is there.
std::string skipped_now(const WalkItem& item);

class Walk {
public:
    Walk(std::vector<std::string> operands, bool recursive, bool follow_links);
    std::optional<WalkItem> next();

private:
    // A folder being walked. Its path is not kept: a walk thousands of levels
    // deep would hold each level's whole path.
    struct Folder {
        std::size_t parent_path_length;  // of path_, before this folder's name was added
        std::shared_ptr<const OpenFolder> handle;
        std::vector<std::string> names;  // sorted
        std::size_t next = 0;
        std::pair<std::uint64_t, std::uint64_t> id;  // device and file number
    };

    // Opens `name` (relative to `parent` when given) and lists it onto the stack.
    std::optional<WalkItem> enter(const Folder* parent, const std::string& name, const std::string& path,
                                  bool follow);
    std::optional<WalkItem> classify(const Folder& folder, const std::string& name);
    bool on_stack(std::pair<std::uint64_t, std::uint64_t> id) const;
    // Lists a folder found at `path` onto the stack.
    void push(Folder folder, const std::string& path);

    std::vector<std::string> operands_;
    std::size_t next_operand_ = 0;
    bool recursive_;
    bool follow_links_;
    std::vector<Folder> stack_;
    std::string path_;  // of the folder on top of the stack
};

}  // namespace firma::cli
