#include <windows.h>

#include <filesystem>

#include "sign/file_identity_windows.h"
#include "sign/open_folder.h"
#include "sign/system_errors.h"
#include "sign/utf8.h"
#include "sign/windows_paths.h"

namespace firma {
namespace {

// Whether the open `folder` is itself a symbolic link or a junction, the two
// reparse points that lead elsewhere (cloud and deduplicated folders do not).
bool is_link(HANDLE folder, const BY_HANDLE_FILE_INFORMATION& information) {
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
    FILE_ATTRIBUTE_TAG_INFO tag{};
    return GetFileInformationByHandleEx(folder, FileAttributeTagInfo, &tag, sizeof tag) &&
           (tag.ReparseTag == IO_REPARSE_TAG_SYMLINK || tag.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT);
}

}  // namespace

std::shared_ptr<const OpenFolder> OpenFolder::open(const OpenFolder* parent, const std::string& name,
                                                   bool follow_links, std::error_code& error) {
    // Every name here came from the system or the command line as UTF-8, so it
    // always converts back.
    const std::filesystem::path given = path_of_utf8(name).value_or(std::filesystem::path());
    std::filesystem::path path = parent != nullptr ? parent->native() / given : given;
    // Opened only for its identity, which loops through links are found by.
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow_links ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    const HANDLE handle = CreateFileW(long_form(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = last_system_error();
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information)) error = last_system_error();
    else if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
             (!follow_links && is_link(handle, information)))
        error = std::make_error_code(std::errc::not_a_directory);
    CloseHandle(handle);
    if (error) return nullptr;
    const FileIdentity id = identity_of(information);
    return std::make_shared<const OpenFolder>(std::move(path), id);
}

OpenFolder::~OpenFolder() = default;

// Listed by Windows itself: the C++ library's folder iterator loses its way
// in folders deeper than MAX_PATH, even through \\?\ (seen under Wine).
std::vector<std::string> OpenFolder::names(std::error_code& error) const {
    std::vector<std::string> names;
    std::wstring pattern = long_form(native_);
    if (!pattern.ends_with(L'\\') && !pattern.ends_with(L'/')) pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found{};
    const HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                         FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) error = last_system_error();  // else empty, as a drive's root can be
        return names;
    }
    do {
        const std::wstring_view name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(utf8_of_path(std::filesystem::path(name)));
    } while (FindNextFileW(find, &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) error = last_system_error();
    FindClose(find);
    return names;
}

}  // namespace firma
