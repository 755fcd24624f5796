#include "cli/lines.h"

#include <charconv>

#include "sign/signature.h"

namespace firma::cli {
namespace {

constexpr std::size_t kDigits = 7;
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

// FIRMA (NAME) = SIGNATURE, with or without the space before '('. Names are not
// escaped by every writer of this form, so the name ends at the last ") = ".
std::optional<ListedFile> parse_tagged(std::string_view line) {
    line.remove_prefix(kTag.size());
    if (line.starts_with(' ')) line.remove_prefix(1);
    if (!line.starts_with('(')) return std::nullopt;
    line.remove_prefix(1);
    const std::size_t close = line.rfind(") = ");
    if (close == std::string_view::npos) return std::nullopt;
    const auto signature = parse_signature(line.substr(close + 4));
    if (!signature) return std::nullopt;
    return ListedFile{*signature, std::string(line.substr(0, close))};
}

// SIGNATURE, a space, ' ' or '*', then the name.
std::optional<ListedFile> parse_untagged(std::string_view line) {
    if (line.size() < kDigits + 3 || line[kDigits] != ' ') return std::nullopt;
    if (line[kDigits + 1] != ' ' && line[kDigits + 1] != '*') return std::nullopt;
    const auto signature = parse_signature(line.substr(0, kDigits));
    if (!signature) return std::nullopt;
    return ListedFile{*signature, std::string(line.substr(kDigits + 2))};
}

}  // namespace

std::string format_line(std::uint32_t signature, std::string_view name, const LineStyle& style) {
    const bool escaped = !style.zero && has_any(name, "\\\n\r");
    const std::string shown = escaped ? escape(name) : std::string(name);
    std::string line = escaped ? "\\" : "";
    if (style.tag)
        line += std::string(kTag) + " (" + shown + ") = " + format_signature(signature);
    else
        line += format_signature(signature) + (style.binary ? " *" : "  ") + shown;
    line += style.zero ? '\0' : '\n';
    return line;
}

std::string check_display_name(std::string_view name) {
    if (!has_any(name, "\n\r")) return std::string(name);
    std::string shown(1, '\\');
    shown += escape(name);
    return shown;
}

ParsedLine parse_line(std::string_view line) {
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty() || line.starts_with('#')) return {LineKind::ignored, {}};
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    const bool escaped = line.starts_with('\\');
    if (escaped) line.remove_prefix(1);
    const auto file = line.starts_with(kTag) ? parse_tagged(line) : parse_untagged(line);
    if (!file || file->name.empty() || has_any(file->name, std::string_view("\0", 1)))
        return {LineKind::malformed, {}};
    if (!escaped) return {LineKind::listed, *file};
    auto name = unescape(file->name);
    if (!name) return {LineKind::malformed, {}};
    return {LineKind::listed, {file->signature, std::move(*name)}};
}

}  // namespace firma::cli
