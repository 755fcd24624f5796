// The files to sign, from the operands: each operand as given, or with -r, every
// regular file below an operand that is a folder, in sorted order. Produced one
// at a time, so a huge tree never sits in memory whole. On every system each
// folder is opened by name within its parent, and an item's file through
// `name`, within `folder` when that is set (see sign/open_folder.h for what
// each system makes of that).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "sign/open_folder.h"

namespace firma {

// What a walked file that is not signed is, for the warning that says so.
enum class Skipped { fifo, socket, character_device, block_device, special_file, dangling_link };
std::string skipped_warning(Skipped what);

struct WalkItem {
    std::string path;                          // as the user knows it: operand/a/b
    std::shared_ptr<const OpenFolder> folder;  // when set, open `name` within it
    std::string name;
    std::error_code error;                     // a folder or entry that could not be read
    std::string skipped;                       // why a special file is left out (a warning)
    bool regular_only = false;                 // found to be a regular file: signed only as one
};

// Why a walked file that was regular is not any more (it was replaced by a
// FIFO, say, after the walk saw it): the walk's own warning for what is there.
std::string skipped_now(const WalkItem& item);

class Walk {
public:
    // `protected_files`: also walk what Windows marks both hidden and system
    // (no such files elsewhere).
    Walk(std::vector<std::string> operands, bool recursive, bool follow_links, bool protected_files = false);
    std::optional<WalkItem> next();

private:
    // A folder being walked. Its path is not kept: a walk thousands of levels
    // deep would hold each level's whole path.
    struct Folder {
        std::size_t parent_path_length;  // of path_, before this folder's name was added
        std::shared_ptr<const OpenFolder> handle;
        std::vector<std::string> names;  // sorted
        std::size_t next = 0;
    };

    // Opens `name` (within `parent` when given) and lists it onto the stack; an
    // unreadable folder, or one already being walked, becomes an error item.
    std::optional<WalkItem> enter(const Folder* parent, const std::string& name, const std::string& path,
                                  bool follow);
    // One name in a folder: a file to sign, a folder entered, or something left out.
    std::optional<WalkItem> classify(const Folder& folder, const std::string& name);

    std::vector<std::string> operands_;
    std::size_t next_operand_ = 0;
    bool recursive_;
    bool follow_links_;
    bool protected_files_;
    std::vector<Folder> stack_;
    std::string path_;  // of the folder on top of the stack
};

}  // namespace firma
