#include "lists/list_reader.h"

#include <cstring>
#include <string_view>
#include <utility>

#include "lists/list_files.h"
#include "language/translation.h"
#include "sign/utf8.h"

namespace firma {

// Reads what the list holds now, past what is already read: a read from a
// pipe or a terminal returns once a line is there, never waiting for the
// buffer to fill.
bool ListReader::fill() {
    begin_ = end_ = 0;
    const long long got = read_available(file_.get(), buffer_.data(), buffer_.size(), read_error_);
    end_ = got > 0 ? static_cast<std::size_t>(got) : 0;
    at_end_ = end_ == 0;
    return end_ > 0;
}

bool ListReader::next_may_wait() const {
    if (!file_ || !may_wait_ || at_end_) return false;
    return std::memchr(buffer_.data() + begin_, '\n', end_ - begin_) == nullptr;
}

// A terminal's end (Ctrl+D) is read once: a read after it would wait again.
int ListReader::next_raw_byte() {
    if (begin_ == end_ && (at_end_ || !fill())) return EOF;
    return static_cast<unsigned char>(buffer_[begin_++]);
}

// A byte-order mark at the start of a list says how it is written: Windows
// PowerShell 5.1 writes UTF-16LE with one, Notepad UTF-8 with one. Without a
// mark, the bytes are taken as they are.
ListReader::Encoding ListReader::read_byte_order_mark() {
    if (begin_ == end_ && !at_end_) fill();
    const auto starts_with = [&](std::string_view mark) {
        return end_ - begin_ >= mark.size() && std::string_view(buffer_.data() + begin_, mark.size()) == mark;
    };
    for (const auto& [mark, encoding] : {std::pair{std::string_view("\xEF\xBB\xBF"), Encoding::utf8},
                                          std::pair{std::string_view("\xFF\xFE"), Encoding::utf16le},
                                          std::pair{std::string_view("\xFE\xFF"), Encoding::utf16be}}) {
        if (starts_with(mark)) {
            begin_ += mark.size();
            return encoding;
        }
    }
    return Encoding::utf8;
}

// The next UTF-16 code unit; nothing at the end, where an odd byte left over
// breaks the line it ends.
std::optional<char16_t> ListReader::next_unit() {
    if (pending_unit_) return std::exchange(pending_unit_, std::nullopt);
    const int first = next_raw_byte();
    if (first == EOF) return std::nullopt;
    const int second = next_raw_byte();
    if (second == EOF) {
        broken_line_ = true;
        return std::nullopt;
    }
    return static_cast<char16_t>(encoding_ == Encoding::utf16le ? first | second << 8 : first << 8 | second);
}

// The list's text as UTF-8, one byte at a time. An unpaired surrogate breaks
// the line it is in.
int ListReader::next_byte() {
    if (decoded_at_ < decoded_.size()) return static_cast<unsigned char>(decoded_[decoded_at_++]);
    if (encoding_ == Encoding::unknown) encoding_ = read_byte_order_mark();
    if (encoding_ == Encoding::utf8) return next_raw_byte();
    const auto unit = next_unit();
    if (!unit) return EOF;
    std::u16string units(1, *unit);
    if (*unit >= 0xD800 && *unit <= 0xDBFF) {
        const auto low = next_unit();
        if (low && *low >= 0xDC00 && *low <= 0xDFFF)
            units.push_back(*low);
        else
            pending_unit_ = low;  // read again on its own: it may end the line
    }
    const bool paired = units.size() == 2 || *unit < 0xD800 || *unit > 0xDFFF;
    if (!paired) broken_line_ = true;
    decoded_ = utf8_of_utf16(units);
    decoded_at_ = 1;
    return static_cast<unsigned char>(decoded_[0]);
}

// One line without its newline, at most `longest` bytes kept; the rest of a
// longer line is read and dropped.
ListReader::LineEnd ListReader::read_line(std::string& line, std::size_t longest) {
    line.clear();
    bool too_long = false;
    broken_line_ = false;
    for (;;) {
        const int c = next_byte();
        if (c == EOF) {
            if (read_error_) return LineEnd::failed;
            if (line.empty() && !too_long && !broken_line_) return LineEnd::end;
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
    return too_long || broken_line_ ? LineEnd::malformed : LineEnd::line;
}

void ListReader::Closer::operator()(std::FILE* file) const {
    if (file != stdin) std::fclose(file);
}

ListReader::ListReader(std::string name, ListParser& parser) : name_(std::move(name)), parser_(parser) {
    file_.reset(name_ == "-" ? stdin : open_list(name_, read_error_));
    may_wait_ = file_ != nullptr && reads_may_wait(file_.get());
}

std::string ListReader::display_name() const {
    return name_ == "-" ? _("standard input") : name_;
}

std::optional<ListEntry> ListReader::next() {
    while (file_) {
        const LineEnd end = read_line(text_, kLongestLine);
        if (end == LineEnd::failed || end == LineEnd::end) {
            file_.reset();
            break;
        }
        ++line_;
        if (end == LineEnd::malformed) return ListEntry{true, {}, line_, {}};
        if (std::string_view(text_).substr(0, text_.find_last_not_of('\r') + 1) == kWholeFolderMark) covers_folder_ = true;
        ParsedLine parsed = parser_.parse(text_, name_ == "-");
        if (parsed.kind == LineKind::ignored) continue;
        if (parsed.kind == LineKind::malformed) return ListEntry{true, {}, line_, {}};
        return ListEntry{false, std::move(parsed.file), line_, {}};
    }
    return std::nullopt;
}

}  // namespace firma
