// Reading lists on Windows.
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "lists/list_files.h"
#include "sign/system_errors.h"
#include "sign/utf8.h"

namespace firma {

bool backslash_separates_folders() {
    return true;
}

std::FILE* open_list(const std::string& name, std::error_code& error) {
    const auto path = path_of_utf8(name);
    if (!path) {
        error = std::make_error_code(std::errc::illegal_byte_sequence);
        return nullptr;
    }
    std::FILE* list = _wfopen(path->c_str(), L"rb");
    if (list != nullptr) return list;
    // Windows refuses to open a folder at all; say so as POSIX systems do.
    std::error_code ignored;
    error = std::filesystem::is_directory(*path, ignored) ? std::make_error_code(std::errc::is_a_directory)
                                                           : system_error_code(_doserrno);
    return nullptr;
}

long long read_available(std::FILE* file, char* buffer, std::size_t size, std::error_code& error) {
    const int got = _read(_fileno(file), buffer, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
    if (got < 0) error = system_error_code(_doserrno);
    return got;
}

bool reads_may_wait(std::FILE* file) {
    return GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != FILE_TYPE_DISK;
}

// Upper-cased with the system's table, unit by unit, as NTFS compares names;
// separators made one.
std::string comparable_name(std::string_view path) {
    const auto wide = utf16_of_wtf8(path);
    if (!wide) return std::string(path);
    std::u16string units = *wide;
    std::replace(units.begin(), units.end(), u'/', u'\\');
    if (!units.empty()) CharUpperBuffW(reinterpret_cast<wchar_t*>(units.data()), static_cast<DWORD>(units.size()));
    return wtf8_of_utf16(units);
}

// In the last component only: "\\?\C:\x" is a long path, not a pattern.
bool names_no_file(std::string_view name) {
    const std::size_t slash = name.find_last_of("\\/:");
    return name.find_first_of("*?", slash == std::string_view::npos ? 0 : slash + 1) != std::string_view::npos;
}

// Windows deletes an -o run's new file however firma ends, and it is hidden
// and system meanwhile, which -r leaves out: no name needs to be set aside.
bool is_unfinished_output(std::string_view) {
    return false;
}

}  // namespace firma
