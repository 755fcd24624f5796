// Walking folders on Windows, with wide names; the files found are opened by
// their whole path (long ones through \\?\ in the reader).
#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "cli/system.h"
#include "cli/walk.h"
#include "sign/utf8.h"
#include "sign/windows_error.h"

namespace firma::cli {
namespace {

namespace fs = std::filesystem;

// Names firma builds use Windows' own separator, as typed operands do.
std::string join(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') || folder.ends_with('\\') ? folder + name : folder + "\\" + name;
}

// Every name here came from the system or the command line as WTF-8, so it
// always converts back.
fs::path native(const std::string& name) {
    return path_of_utf8(name).value_or(fs::path());
}

// The volume and file number of a folder, for loops through links.
std::pair<std::uint64_t, std::uint64_t> id_of(const fs::path& folder, std::error_code& error) {
    const HANDLE handle = CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &information);
    if (!known) error = windows_error(GetLastError());
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    return {information.dwVolumeSerialNumber,
            (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

// Whether `path` is a symbolic link or a junction, the two reparse points that
// lead elsewhere; other reparse points (cloud files, deduplicated files) are
// the files and folders they seem.
bool is_link(const fs::path& path, std::error_code& error) {
    WIN32_FIND_DATAW found{};
    const HANDLE find = FindFirstFileExW(path.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
        error = windows_error(GetLastError());
        return false;
    }
    FindClose(find);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (found.dwReserved0 == IO_REPARSE_TAG_SYMLINK || found.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
}

}  // namespace

std::optional<WalkItem> Walk::enter(const Folder*, const std::string& name, const std::string& path, bool) {
    std::error_code error;
    const auto id = id_of(native(name), error);
    if (error) return WalkItem{path, {}, {}, error, {}};
    if (on_stack(id)) return WalkItem{path, {}, {}, std::make_error_code(std::errc::too_many_symbolic_link_levels), {}};
    Folder folder{0, {}, {}, 0, id};
    for (fs::directory_iterator it(native(name), error), end; !error && it != end; it.increment(error))
        folder.names.push_back(utf8_of_path(it->path().filename()));
    if (error) return WalkItem{path, {}, {}, error, {}};
    std::sort(folder.names.begin(), folder.names.end());
    push(std::move(folder), path);
    return std::nullopt;
}

std::optional<WalkItem> Walk::classify(const Folder& folder, const std::string& name) {
    const std::string path = join(path_, name);
    std::error_code error;
    const auto link = is_link(native(path), error);
    if (error) return WalkItem{path, {}, {}, error, {}};
    const fs::file_status target = fs::status(native(path), error);
    if (link && error) return WalkItem{path, {}, {}, {}, "dangling symbolic link skipped"};
    if (error) return WalkItem{path, {}, {}, error, {}};
    if (fs::is_directory(target)) {
        if (link && !follow_links_) return std::nullopt;
        return enter(&folder, path, path, link);  // may move `folder`: not used after
    }
    if (fs::is_regular_file(target)) return WalkItem{path, {}, path, {}, {}, true};
    return WalkItem{path, {}, {}, {}, "special file skipped"};
}

std::string skipped_now(const WalkItem&) {
    return "special file skipped";
}

}  // namespace firma::cli
