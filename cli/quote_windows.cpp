// Names in messages on Windows, as cmd users read and paste them.
#include <fmt/core.h>

#include "cli/quote.h"
#include "sign/utf8.h"

namespace firma::cli {
namespace {

// What cmd splits arguments at or changes, and PowerShell's quote.
bool special(char c) {
    switch (c) {
        case ' ': case '&': case '|': case '<': case '>': case '^': case '(': case ')':
        case ',': case ';': case '=': case '%': case '!': case '\'':
            return true;
        default: return false;
    }
}

// A unit of the name that is no character, as it is shown: an unpaired
// surrogate of an NTFS name (kept as WTF-8), a control character, or a byte
// that is not UTF-8. Empty for a character shown as it is.
std::string no_character(std::string_view rest, std::size_t& length) {
    length = utf8_character_length(rest);
    const auto lead = static_cast<unsigned char>(rest[0]);
    if (length == 0) {
        const bool surrogate = rest.size() >= 3 && lead == 0xED && (static_cast<unsigned char>(rest[1]) & 0xE0) == 0xA0 &&
                               (static_cast<unsigned char>(rest[2]) & 0xC0) == 0x80;
        if (!surrogate) {
            length = 1;
            return fmt::format("<0x{:02X}>", lead);
        }
        length = 3;
        const unsigned unit = 0xD000u | (rest[1] & 0x3Fu) << 6 | (rest[2] & 0x3Fu);
        return fmt::format("<U+{:04X}>", unit);
    }
    if (length == 1 && (lead < 0x20 || lead == 0x7F)) return fmt::format("<U+{:04X}>", lead);
    if (length == 2 && lead == 0xC2 && static_cast<unsigned char>(rest[1]) < 0xA0)  // C1 controls
        return fmt::format("<U+{:04X}>", static_cast<unsigned char>(rest[1]));
    return {};
}

}  // namespace

std::string quote_name(std::string_view name) {
    if (name.empty()) return "\"\"";
    std::string shown;
    bool needs_quotes = false;
    for (std::size_t at = 0; at < name.size();) {
        std::size_t length = 0;
        const std::string unit = no_character(name.substr(at), length);
        if (!unit.empty()) {
            shown += unit;
            needs_quotes = true;  // cmd would read '<' and '>' as redirections
        } else {
            if (length == 1 && special(name[at])) needs_quotes = true;
            shown += name.substr(at, length);
        }
        at += length;
    }
    return needs_quotes ? "\"" + shown + "\"" : shown;
}

}  // namespace firma::cli
