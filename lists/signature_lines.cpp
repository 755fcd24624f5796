#include "lists/signature_lines.h"

#include <charconv>

#include "sign/signature.h"

namespace firma {
namespace {

constexpr std::size_t kDigits = 7;
constexpr std::size_t kDigestDigits = 32;
constexpr std::size_t kLongestSize = 20;  // digits of 2^64 - 1
constexpr std::string_view kTag = "FIRMA";

bool has_any(std::string_view text, std::string_view characters) {
    return text.find_first_of(characters) != std::string_view::npos;
}

std::string escape(std::string_view name) {
    std::string escaped;
    for (const char c : name) {
        switch (c) {
            case '\\': escaped += "\\\\"; break;
            case '\n': escaped += "\\n"; break;
            case '\r': escaped += "\\r"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

std::optional<std::string> unescape(std::string_view name) {
    std::string plain;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '\\') {
            plain += name[i];
            continue;
        }
        if (++i == name.size()) return std::nullopt;  // a lone backslash at the end
        switch (name[i]) {
            case '\\': plain += '\\'; break;
            case 'n': plain += '\n'; break;
            case 'r': plain += '\r'; break;
            default: return std::nullopt;
        }
    }
    return plain;
}

std::optional<std::uint32_t> parse_signature(std::string_view digits) {
    if (digits.size() != kDigits) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : digits) {
        unsigned digit = 0;
        const auto [end, error] = std::from_chars(&c, &c + 1, digit, 16);
        if (error != std::errc{} || end != &c + 1) return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

std::string hex_of(const ContentDigest& digest) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : digest.hash) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 15];
    }
    return hex;
}

std::optional<std::array<unsigned char, 16>> parse_hash(std::string_view hex) {
    std::array<unsigned char, 16> hash{};
    if (hex.size() != kDigestDigits || hex.find_first_not_of("0123456789abcdef") != std::string_view::npos)
        return std::nullopt;
    for (std::size_t i = 0; i < hash.size(); ++i)
        std::from_chars(hex.data() + 2 * i, hex.data() + 2 * i + 2, hash[i], 16);
    return hash;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view skip_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    return text;
}

// FIRMA (NAME) = SIGNATURE: at most one space before '(', any blanks around '='.
// Not every writer of this form escapes names, so the name ends at the last ')'.
std::optional<ListedFile> parse_tagged(std::string_view line) {
    line.remove_prefix(kTag.size());
    if (line.starts_with(' ')) line.remove_prefix(1);
    if (!line.starts_with('(')) return std::nullopt;
    line.remove_prefix(1);
    const std::size_t close = line.rfind(')');
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view rest = skip_blanks(line.substr(close + 1));
    if (!rest.starts_with('=')) return std::nullopt;
    const auto signature = parse_signature(skip_blanks(rest.substr(1)));
    if (!signature) return std::nullopt;
    return ListedFile{*signature, std::string(line.substr(0, close))};
}

}  // namespace

// SIGNATURE SIZE DIGEST, one space apart, then a blank, a mode character
// and the name. Read whatever form the run's other lines take: no name another form
// gives could be told from it.
std::optional<ListedFile> ListParser::parse_with_digest(std::string_view line) {
    if (line.size() < kDigits + 1 || line[kDigits] != ' ') return std::nullopt;
    const auto signature = parse_signature(line.substr(0, kDigits));
    std::string_view rest = line.substr(kDigits + 1);
    const std::size_t size_end = rest.find(' ');
    if (!signature || size_end == std::string_view::npos || size_end == 0 || size_end > kLongestSize)
        return std::nullopt;
    std::uint64_t size = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + size_end, size);
    if (error != std::errc{} || end != rest.data() + size_end) return std::nullopt;
    rest.remove_prefix(size_end + 1);
    // The digest, a blank, the mode character and a name of one byte at least.
    if (rest.size() < kDigestDigits + 3 || rest[kDigestDigits] != ' ' ||
        (rest[kDigestDigits + 1] != ' ' && rest[kDigestDigits + 1] != '*'))
        return std::nullopt;
    const auto hash = parse_hash(rest.substr(0, kDigestDigits));
    if (!hash) return std::nullopt;
    return ListedFile{*signature, std::string(rest.substr(kDigestDigits + 2)), ContentDigest{size, *hash}};
}

// SIGNATURE, a blank, then either a mode character (' ' or '*') and the name, or
// the name alone, as other platforms' tools write it. Which of the two a run of
// lists uses is decided by its first line that tells them apart: a name starting
// with a space must not make a one-blank list read as the other form.
std::optional<ListedFile> ListParser::parse_untagged(std::string_view line) {
    constexpr std::size_t kShortest = kDigits + 2;  // a blank and a one-byte name
    if (line.size() < kShortest + (line.starts_with('\\') ? 1 : 0)) return std::nullopt;
    if (!is_blank(line[kDigits])) return std::nullopt;
    const auto signature = parse_signature(line.substr(0, kDigits));
    if (!signature) return std::nullopt;
    std::string_view name = line.substr(kDigits + 1);
    if (name.size() == 1 || (name[0] != ' ' && name[0] != '*')) {
        if (form_ == Form::with_mode) return std::nullopt;
        form_ = Form::without_mode;
    } else if (form_ != Form::without_mode) {
        form_ = Form::with_mode;
        name.remove_prefix(1);
    }
    return ListedFile{*signature, std::string(name)};
}

std::string format_line(std::uint32_t signature, std::string_view name, const LineStyle& style,
                        const ContentDigest* digest) {
    const bool escaped = !style.zero && has_any(name, style.backslash_separates ? "\n\r" : "\\\n\r");
    const std::string shown = escaped ? escape(name) : std::string(name);
    std::string line = escaped ? "\\" : "";
    if (style.tag) {
        line += std::string(kTag) + " (" + shown + ") = " + format_signature(signature);
    } else {
        line += format_signature(signature);
        if (digest != nullptr) line += " " + std::to_string(digest->size) + " " + hex_of(*digest);
        line += (style.binary ? " *" : "  ") + shown;
    }
    line += style.zero ? '\0' : '\n';
    return line;
}

std::string check_display_name(std::string_view name) {
    if (!has_any(name, "\n\r")) return std::string(name);
    std::string shown(1, '\\');
    shown += escape(name);
    return shown;
}

ParsedLine ListParser::parse(std::string_view line, bool from_standard_input) {
    if (line.starts_with('#')) return {LineKind::ignored, {}};
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty()) return {LineKind::ignored, {}};
    line = skip_blanks(line);
    const bool escaped = line.starts_with('\\');
    if (escaped) line.remove_prefix(1);
    auto file = line.starts_with(kTag) ? parse_tagged(line) : parse_with_digest(line);
    if (!file && !line.starts_with(kTag)) file = parse_untagged(line);
    if (!file) return {LineKind::malformed, {}};
    if (escaped) {
        auto name = unescape(file->name);
        if (!name) return {LineKind::malformed, {}};
        file->name = std::move(*name);
    }
    // A NUL cannot be part of a file name: the line is damaged, not a short name.
    if (has_any(file->name, std::string_view("\0", 1))) return {LineKind::malformed, {}};
    // Standard input is already being read as the list: it cannot be checked too.
    if (from_standard_input && file->name == "-") return {LineKind::malformed, {}};
    return {LineKind::listed, std::move(*file)};
}

}  // namespace firma
