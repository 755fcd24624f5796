// Names in messages on POSIX systems, quoted as coreutils quotes them.
#include "cli/quote.h"

#include <fmt/core.h>

#include <cwchar>
#include <cwctype>

namespace firma::cli {
namespace {

// Characters a shell would take specially, ':' too as messages use it as a
// separator. '#' and '~' matter only at the start, '{' and '}' only alone.
bool special(char c, std::size_t index, std::size_t size) {
    switch (c) {
        case '#': case '~': return index == 0;
        case '{': case '}': return size == 1;
        case ' ': case '!': case '"': case '$': case '&': case '\'': case '(': case ')':
        case '*': case ';': case '<': case '=': case '>': case '?': case '[': case '\\':
        case '^': case '`': case '|': case ':':
            return true;
        default: return false;
    }
}

// One character of the name: its bytes and whether the locale can print it.
struct Piece {
    std::string_view bytes;
    bool printable;
};

// By the locale: which bytes make a character, and which it can print.
Piece next_piece(std::string_view rest, std::mbstate_t& state) {
    wchar_t wide = 0;
    const std::size_t length = std::mbrtowc(&wide, rest.data(), rest.size(), &state);
    if (length == 0 || length > rest.size()) {  // NUL, invalid or incomplete: one raw byte
        state = {};
        return {rest.substr(0, 1), false};
    }
    return {rest.substr(0, length), std::iswprint(static_cast<wint_t>(wide)) != 0};
}

std::string escape_byte(unsigned char byte) {
    switch (byte) {
        case '\a': return "\\a";
        case '\b': return "\\b";
        case '\f': return "\\f";
        case '\n': return "\\n";
        case '\r': return "\\r";
        case '\t': return "\\t";
        case '\v': return "\\v";
        default: return fmt::format("\\{:03o}", byte);
    }
}

}  // namespace

std::string quote_name(std::string_view name) {
    if (name.empty()) return "''";
    bool needs_quotes = false, unprintable = false, apostrophe = false, double_unsafe = false;
    std::mbstate_t state{};
    for (std::size_t at = 0; at < name.size();) {
        const Piece piece = next_piece(name.substr(at), state);
        if (!piece.printable) unprintable = true;
        if (piece.bytes.size() == 1) {
            const char c = piece.bytes[0];
            if (special(c, at, name.size())) needs_quotes = true;
            if (c == '\'') apostrophe = true;
            if (c == '$' || c == '`' || c == '"' || c == '\\' || c == '!') double_unsafe = true;
        }
        at += piece.bytes.size();
    }
    if (!needs_quotes && !unprintable) return std::string(name);
    if (apostrophe && !unprintable && !double_unsafe) return fmt::format("\"{}\"", name);

    std::string quoted = "'";
    bool in_dollar = false;  // inside $'...' after an unprintable byte
    state = {};
    for (std::size_t at = 0; at < name.size();) {
        const Piece piece = next_piece(name.substr(at), state);
        if (!piece.printable) {
            if (!in_dollar) quoted += "'$'";
            in_dollar = true;
            for (const char byte : piece.bytes) quoted += escape_byte(static_cast<unsigned char>(byte));
        } else {
            if (in_dollar) quoted += "''";
            in_dollar = false;
            if (piece.bytes == "'")
                quoted += "'\\''";
            else
                quoted += piece.bytes;
        }
        at += piece.bytes.size();
    }
    quoted += "'";
    return quoted;
}

}  // namespace firma::cli
