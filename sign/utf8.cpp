#include "sign/utf8.h"

#include <type_traits>

namespace firma {
namespace {

// Windows' paths hold UTF-16; POSIX systems' hold bytes. Templates, so that
// only the branch for this system's paths is compiled.
template <typename Path>
constexpr bool kWide = std::is_same_v<typename Path::value_type, wchar_t>;

template <typename Path>
std::optional<Path> path_of_utf8_as(std::string_view name) {
    if constexpr (kWide<Path>) {
        auto wide = utf16_of_wtf8(name);
        if (!wide) return std::nullopt;
        return typename Path::string_type(wide->begin(), wide->end());
    } else {
        return Path(std::string(name));
    }
}

template <typename Path>
std::string utf8_of_path_as(const Path& path) {
    if constexpr (kWide<Path>) {
        const auto& wide = path.native();
        return wtf8_of_utf16({reinterpret_cast<const char16_t*>(wide.data()), wide.size()});
    } else {
        return path.native();
    }
}

void append_utf8(std::string& out, char32_t c) {
    const auto put = [&](unsigned value) { out.push_back(static_cast<char>(value)); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | (c >> 6));
        put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | (c >> 12));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | (c >> 18));
        put(0x80 | ((c >> 12) & 0x3F));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    }
}

// A surrogate's three-byte form: ED A0..BF 80..BF, which only WTF-8 allows.
bool is_surrogate_form(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    return text.size() >= 3 && byte(0) == 0xED && byte(1) >= 0xA0 && byte(1) <= 0xBF && byte(2) >= 0x80 &&
           byte(2) <= 0xBF;
}

// UTF-16 as UTF-8, an unpaired surrogate kept as its own three bytes or
// replaced by U+FFFD.
std::string utf8_of_utf16_keeping(std::u16string_view text, bool keep_unpaired) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF && !keep_unpaired) {
            c = 0xFFFD;
        }
        append_utf8(out, c);
    }
    return out;
}

template <typename Path>
Path path_of_utf16_as(std::u16string_view name) {
    if constexpr (kWide<Path>)
        return typename Path::string_type(name.begin(), name.end());
    else
        return utf8_of_utf16(name);
}

}  // namespace

std::size_t utf8_character_length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (text.empty()) return 0;
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || text.size() < length) return 0;
    unsigned char low = 0x80, high = 0xBF;  // what the second byte may be
    if (lead == 0xE0) low = 0xA0;           // no overlong three-byte forms
    if (lead == 0xED) high = 0x9F;          // no surrogates
    if (lead == 0xF0) low = 0x90;           // no overlong four-byte forms
    if (lead == 0xF4) high = 0x8F;          // nothing past U+10FFFF
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

std::string utf8_of_utf16(std::u16string_view text) {
    return utf8_of_utf16_keeping(text, false);
}

std::string wtf8_of_utf16(std::u16string_view text) {
    return utf8_of_utf16_keeping(text, true);
}

std::optional<std::u16string> utf16_of_wtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    bool after_high = false;  // a lone high surrogate just ended
    for (std::size_t i = 0; i < text.size();) {
        const std::string_view rest = text.substr(i);
        const auto byte = [&](std::size_t at) { return static_cast<char32_t>(static_cast<unsigned char>(rest[at])); };
        std::size_t length = utf8_character_length(rest);
        char32_t c = 0;
        if (length == 1) {
            c = byte(0);
        } else if (length == 2) {
            c = ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
        } else if (length == 3 || is_surrogate_form(rest)) {
            length = 3;
            c = ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
        } else if (length == 4) {
            c = ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
        } else {
            return std::nullopt;
        }
        // Two halves of a pair written apart would make a second spelling of
        // one name: only the four-byte form is WTF-8.
        if (after_high && c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
        after_high = c >= 0xD800 && c <= 0xDBFF;
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
        i += length;
    }
    return out;
}

std::optional<std::filesystem::path> path_of_utf8(std::string_view name) {
    return path_of_utf8_as<std::filesystem::path>(name);
}

std::string utf8_of_path(const std::filesystem::path& path) {
    return utf8_of_path_as(path);
}

std::filesystem::path path_of_utf16(std::u16string_view name) {
    return path_of_utf16_as<std::filesystem::path>(name);
}

}  // namespace firma
