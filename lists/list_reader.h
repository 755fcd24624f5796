// Reading a signature list for check mode ('-' is standard input), one
// entry per line, in UTF-8 or, after a byte-order mark,
// UTF-16 as Windows writes it. A line longer than any name a system can
// open is malformed and is skipped without being held in memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "lists/signature_lines.h"

namespace firma {

struct ListEntry {
    bool malformed = false;
    ListedFile file;
    std::size_t line = 0;
    std::error_code error;  // why the file it names cannot be looked for
};

class ListReader {
public:
    // Far above the longest path Linux (4 KiB) or Windows (32 Ki UTF-16 units,
    // escaped) can open.
    static constexpr std::size_t kLongestLine = 256 * 1024;

    // Opens the list `name`; `parser` reads a run of lists, one after another.
    ListReader(std::string name, ListParser& parser);
    ListReader(const ListReader&) = delete;
    ListReader& operator=(const ListReader&) = delete;

    // The next entry, or nothing at the list's end or where it fails.
    std::optional<ListEntry> next();
    // Why the list could not be opened or read to its end.
    const std::error_code& error() const { return read_error_; }
    // The list as messages name it.
    std::string display_name() const;
    // Whether a line read so far marks the list as holding its whole folder.
    bool covers_its_folder() const { return covers_folder_; }
    // Whether next() may wait for a writer: the list is a pipe, a FIFO or a
    // terminal, and no whole line of it is read yet.
    bool next_may_wait() const;

private:
    struct Closer {
        void operator()(std::FILE* file) const;
    };
    enum class LineEnd { line, malformed, end, failed };
    enum class Encoding { unknown, utf8, utf16le, utf16be };
    bool fill();
    int next_raw_byte();
    Encoding read_byte_order_mark();
    std::optional<char16_t> next_unit();
    int next_byte();
    LineEnd read_line(std::string& line, std::size_t longest);

    std::string name_;
    std::unique_ptr<std::FILE, Closer> file_;
    std::size_t line_ = 0;
    std::string text_;  // the line being read, reused
    std::vector<char> buffer_ = std::vector<char>(64 * 1024);  // read ahead of the line
    std::size_t begin_ = 0, end_ = 0;
    bool may_wait_ = false;  // reads may wait for a writer
    bool at_end_ = false;
    std::error_code read_error_;  // why the list could not be opened or read
    Encoding encoding_ = Encoding::unknown;
    std::string decoded_;  // UTF-8 of the last UTF-16 character read
    std::size_t decoded_at_ = 0;
    std::optional<char16_t> pending_unit_;  // read after a high surrogate it does not pair with
    bool broken_line_ = false;              // the line holds text that is no UTF-16
    ListParser& parser_;
    bool covers_folder_ = false;
};

}  // namespace firma
