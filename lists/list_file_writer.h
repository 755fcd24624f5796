// A list written whole or not at all: its text goes to a new file beside it,
// which takes the list's name only at commit(). A writer dropped before that
// (a cancelled or failed recording) leaves no new file behind, and an earlier
// list of that name as it was. While it is written the new file is one the
// walk never signs (see is_unfinished_output; hidden and system on Windows).
#pragma once

#include <filesystem>
#include <memory>
#include <string_view>

namespace firma {

class ListFileWriter {
public:
    // Makes the new file beside `path`. Throws std::system_error with the
    // system's reason where the folder takes no new file.
    explicit ListFileWriter(const std::filesystem::path& path);
    ListFileWriter(const ListFileWriter&) = delete;
    ListFileWriter& operator=(const ListFileWriter&) = delete;
    ~ListFileWriter();

    // Throw std::system_error.
    void write(std::string_view text);
    // Puts the new file, written out to the disk, in the list's place.
    void commit();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace firma
