// The files to sign, from the operands: each operand as given, or with -r, every
// regular file below an operand that is a folder, in sorted order. Produced one
// at a time, so a huge tree never sits in memory whole.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace firma::cli {

struct WalkItem {
    std::string path;
    std::error_code error;  // a folder that could not be read
};

class Walk {
public:
    Walk(std::vector<std::string> operands, bool recursive, bool follow_links);
    std::optional<WalkItem> next();

private:
    struct Folder {
        std::string path;
        std::vector<std::string> names;  // sorted
        std::size_t next = 0;
        std::pair<dev_t, ino_t> id;
    };

    std::optional<WalkItem> enter(const std::string& path);
    bool on_stack(std::pair<dev_t, ino_t> id) const;

    std::vector<std::string> operands_;
    std::size_t next_operand_ = 0;
    bool recursive_;
    bool follow_links_;
    std::vector<Folder> stack_;
};

}  // namespace firma::cli
