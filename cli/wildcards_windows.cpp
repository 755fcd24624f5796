// Operands on Windows, and their wildcards. cmd and PowerShell hand `*` and `?` over as typed, so
// every console program expands them itself: an operand with a wildcard in its
// last component names the matching files and folders of its folder, in the
// order `dir` lists them, with the folder part kept as typed. Hidden and system
// files are left out, as `dir` leaves them out without /a. An operand that
// matches nothing stays as it is and fails as a missing file, as a POSIX shell
// (failglob off) leaves it.
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "cli/system.h"
#include "sign/utf8.h"

namespace firma::cli {
namespace {

std::u16string upper(std::u16string text) {
    if (!text.empty()) CharUpperBuffW(reinterpret_cast<wchar_t*>(text.data()), static_cast<DWORD>(text.size()));
    return text;
}

// `*` any run of characters, `?` one, and case ignored, as Windows compares
// names. Windows' own search also matches 8.3 short names ("*.htm" finds
// "page.html"); only the name a user sees counts here.
bool matches(std::u16string_view pattern, std::u16string_view name) {
    std::size_t p = 0, n = 0, star = std::u16string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (star != std::u16string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

// In the order `dir` lists a folder on NTFS: by the names upper-cased with the
// system's table, compared unit by unit.
std::vector<std::string> matching(const std::string& operand, std::size_t name_at) {
    std::vector<std::pair<std::u16string, std::string>> found_names;  // the upper-cased name, then the operand
    std::vector<std::string> names;
    const auto search = path_of_utf8(operand);
    if (!search) return names;
    const std::u16string pattern = upper(*utf16_of_wtf8(operand.substr(name_at)));
    WIN32_FIND_DATAW found{};
    const HANDLE find = FindFirstFileExW(search->c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                         FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::u16string name(reinterpret_cast<const char16_t*>(found.cFileName));
        const bool hidden = (found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
        if (name == u"." || name == u".." || hidden) continue;
        std::u16string key = upper(name);
        if (matches(pattern, key)) found_names.emplace_back(std::move(key), operand.substr(0, name_at) + wtf8_of_utf16(name));
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(found_names.begin(), found_names.end());
    for (auto& [key, name] : found_names) names.push_back(std::move(name));
    return names;
}

}  // namespace

std::vector<std::string> operands_as_meant(const std::vector<std::string>& operands) {
    std::vector<std::string> expanded;
    for (const std::string& operand : operands) {
        const std::size_t slash = operand.find_last_of("\\/:");
        const std::size_t name_at = slash == std::string::npos ? 0 : slash + 1;
        std::vector<std::string> names;
        if (operand.find_first_of("*?", name_at) != std::string::npos) names = matching(operand, name_at);
        if (names.empty())
            expanded.push_back(operand);
        else
            expanded.insert(expanded.end(), names.begin(), names.end());
    }
    return expanded;
}

}  // namespace firma::cli
