#include <windows.h>

#include "sign/windows_paths.h"

namespace firma {

std::wstring long_form(const std::filesystem::path& path) {
    const std::wstring& given = path.native();
    if (given.size() < MAX_PATH - 12 || given.starts_with(LR"(\\?\)") || given.starts_with(LR"(\\.\)")) return given;
    std::error_code error;
    std::wstring absolute = std::filesystem::absolute(path, error).lexically_normal().make_preferred().native();
    if (error) return given;
    if (absolute.starts_with(LR"(\\)")) return LR"(\\?\UNC\)" + absolute.substr(2);
    return LR"(\\?\)" + absolute;
}

// NUL is a device too, but reads as empty, as /dev/null does: not counted.
bool names_a_device(const std::filesystem::path& path) {
    if (path.native().starts_with(LR"(\\.\)")) return false;
    std::wstring base = path.filename().native();
    base = base.substr(0, base.find_first_of(L".:"));
    base.erase(base.find_last_not_of(L' ') + 1);
    if (base.size() != 3 && base.size() != 4) return false;
    CharUpperBuffW(base.data(), static_cast<DWORD>(base.size()));
    if (base == L"CON" || base == L"PRN" || base == L"AUX") return true;
    const std::wstring_view port(base.data(), 3);
    const bool digit = base.size() == 4 && ((base[3] >= L'1' && base[3] <= L'9') || base[3] == L'\u00B9' ||
                                            base[3] == L'\u00B2' || base[3] == L'\u00B3');
    return digit && (port == L"COM" || port == L"LPT");
}

}  // namespace firma
