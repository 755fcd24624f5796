#include "cli/lists.h"

#include <cerrno>

#include "cli/system.h"
#include "sign/utf8.h"

namespace firma::cli {

int Lists::next_byte() {
    if (begin_ == end_) {
        begin_ = 0;
        end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_.get());
        if (end_ == 0) return EOF;
    }
    return static_cast<unsigned char>(buffer_[begin_++]);
}

// One line without its newline, at most `longest` bytes kept; the rest of a
// longer line is read and dropped.
Lists::LineEnd Lists::read_line(std::string& line, std::size_t longest) {
    line.clear();
    bool too_long = false;
    for (;;) {
        const int c = next_byte();
        if (c == EOF) {
            if (std::ferror(file_.get()) != 0) return LineEnd::failed;
            if (line.empty() && !too_long) return LineEnd::end;
            break;
        }
        if (c == '\n') break;
        if (line.size() == longest) {
            too_long = true;
            line.clear();
            line.shrink_to_fit();
        }
        if (!too_long) line.push_back(static_cast<char>(c));
    }
    return too_long ? LineEnd::too_long : LineEnd::line;
}

void Lists::Closer::operator()(std::FILE* file) const {
    if (file != stdin) std::fclose(file);
}

Lists::Lists(std::vector<std::string> names) : names_(std::move(names)) {}

std::string Lists::display_name() const {
    return current_ == "-" ? "standard input" : current_;
}

ListEntry Lists::close_with(ListEntry entry) {
    file_.reset();
    return entry;
}

bool Lists::open_next() {
    current_ = names_[next_list_++];
    line_ = 0;
    file_.reset(current_ == "-" ? stdin : open_list(current_));
    begin_ = end_ = 0;
    return file_ != nullptr;
}

std::optional<ListEntry> Lists::next() {
    for (;;) {
        if (!file_) {
            if (next_list_ == names_.size()) return std::nullopt;
            if (!open_next()) return close_with({ListEntry::Kind::unreadable_list, {}, 0, {errno, std::system_category()}});
        }
        const LineEnd end = read_line(text_, kLongestLine);
        if (end == LineEnd::failed)
            return close_with({ListEntry::Kind::unreadable_list, {}, 0, {errno, std::system_category()}});
        if (end == LineEnd::end) return close_with({ListEntry::Kind::end_of_list, {}, 0, {}});
        ++line_;
        if (end == LineEnd::too_long) return ListEntry{ListEntry::Kind::malformed, {}, line_, {}};
        ParsedLine parsed = parser_.parse(text_, current_ == "-");
        if (parsed.kind == LineKind::ignored) continue;
        if (parsed.kind == LineKind::malformed) return ListEntry{ListEntry::Kind::malformed, {}, line_, {}};
        return ListEntry{ListEntry::Kind::listed, std::move(parsed.file), line_, {}};
    }
}

std::uint64_t listed_bytes(const std::vector<std::string>& names) {
    std::vector<std::string> files;
    for (const auto& name : names)
        if (name != "-") files.push_back(name);
    Lists lists(std::move(files));
    std::uint64_t total = 0;
    while (auto entry = lists.next()) {
        if (entry->kind != ListEntry::Kind::listed || entry->file.name == "-") continue;
        total += regular_file_size(path_of_utf8(entry->file.name)).value_or(0);
    }
    return total;
}

}  // namespace firma::cli
