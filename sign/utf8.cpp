#include "sign/utf8.h"

#include <type_traits>

namespace firma {
namespace {

// Windows' paths hold UTF-16; POSIX systems' hold bytes. Templates, so that
// only the branch for this system's paths is compiled.
template <typename Path>
constexpr bool kWide = std::is_same_v<typename Path::value_type, wchar_t>;

template <typename Path>
Path path_of_utf8_as(std::string_view name) {
    if constexpr (kWide<Path>)
        return std::u8string(name.begin(), name.end());
    else
        return std::string(name);
}

template <typename Path>
std::string utf8_of_path_as(const Path& path) {
    if constexpr (kWide<Path>) {
        const std::u8string text = path.u8string();
        return {text.begin(), text.end()};
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
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        append_utf8(out, c);
    }
    return out;
}

std::filesystem::path path_of_utf8(std::string_view name) {
    return path_of_utf8_as<std::filesystem::path>(name);
}

std::string utf8_of_path(const std::filesystem::path& path) {
    return utf8_of_path_as(path);
}

std::filesystem::path path_of_utf16(std::u16string_view name) {
    return path_of_utf16_as<std::filesystem::path>(name);
}

}  // namespace firma
