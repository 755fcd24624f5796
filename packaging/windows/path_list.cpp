#include "packaging/windows/path_list.h"

#include <vector>

namespace firma::installer {
namespace {

// ASCII case only: Windows' own folder names here are ASCII (the install
// folder is under %LOCALAPPDATA%); other letters must then match exactly.
char16_t folded(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool same_folder(std::u16string_view a, std::u16string_view b) {
    while (a.ends_with(u'\\')) a.remove_suffix(1);
    while (b.ends_with(u'\\')) b.remove_suffix(1);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (folded(a[i]) != folded(b[i])) return false;
    return true;
}

std::vector<std::u16string_view> entries(std::u16string_view path) {
    std::vector<std::u16string_view> list;
    for (std::size_t start = 0;;) {
        const std::size_t end = path.find(u';', start);
        list.push_back(path.substr(start, end == std::u16string_view::npos ? end : end - start));
        if (end == std::u16string_view::npos) return list;
        start = end + 1;
    }
}

}  // namespace

std::u16string path_with(std::u16string_view path, std::u16string_view folder) {
    for (const auto entry : entries(path))
        if (same_folder(entry, folder)) return std::u16string(path);
    // Always its own ';', even after one the PATH ends with, so that taking the
    // folder out again gives back exactly what was there.
    std::u16string result(path);
    if (!result.empty()) result += u';';
    return result += folder;
}

std::u16string path_without(std::u16string_view path, std::u16string_view folder) {
    std::u16string result;
    bool first = true;
    for (const auto entry : entries(path)) {
        if (same_folder(entry, folder)) continue;
        if (!first) result += u';';
        result += entry;
        first = false;
    }
    return result;
}

}  // namespace firma::installer
