// Looking at a folder's entries on Windows, with wide names.
#include <windows.h>

#include <filesystem>

#include "lists/list_files.h"
#include "lists/walk.h"
#include "sign/system_errors.h"
#include "sign/sign_error.h"
#include "sign/utf8.h"
#include "sign/windows_paths.h"

namespace firma {
namespace {

namespace fs = std::filesystem;

// Names firma builds use Windows' own separator, as typed operands do. A bare
// drive ("D:") means the current folder of that drive, and takes none.
std::string join(const std::string& folder, const std::string& name) {
    const bool bare_drive = folder.size() == 2 && folder[1] == ':';
    return bare_drive || folder.ends_with('/') || folder.ends_with('\\') ? folder + name : folder + "\\" + name;
}

// Every name here came from the system or the command line as WTF-8, so it
// always converts back.
fs::path native(const std::string& name) {
    return path_of_utf8(name).value_or(fs::path());
}

// What a folder's entry is, before following it.
struct Entry {
    // A symbolic link or a junction, the two reparse points that lead
    // elsewhere; other reparse points (cloud files, deduplicated files) are
    // the files and folders they seem.
    bool link = false;
    // Hidden and system both: what Explorer calls protected operating system
    // files (Thumbs.db, desktop.ini), which it hides and rewrites on its own.
    bool protected_file = false;
};

Entry entry_at(const fs::path& path, std::error_code& error) {
    WIN32_FIND_DATAW found{};
    const HANDLE find = FindFirstFileExW(path.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
        error = last_system_error();
        return {};
    }
    FindClose(find);
    const DWORD attributes = found.dwFileAttributes;
    constexpr DWORD hidden_system = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return {(attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                (found.dwReserved0 == IO_REPARSE_TAG_SYMLINK || found.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT),
            (attributes & hidden_system) == hidden_system};
}

}  // namespace

std::optional<WalkItem> Walk::classify(const Folder& folder, const std::string& name) {
    const std::string path = join(path_, name);
    const fs::path whole = long_form(folder.handle->native() / native(name));
    // As an operand would be: never opened.
    if (names_a_device(whole)) return WalkItem{path, {}, {}, make_error_code(SignError::not_regular_file), {}};
    std::error_code error;
    const Entry entry = entry_at(whole, error);
    if (error) return WalkItem{path, {}, {}, error, {}};
    if (entry.protected_file && !protected_files_) return std::nullopt;
    const bool link = entry.link;
    const fs::file_status target = fs::status(whole, error);
    if (link && error) return WalkItem{path, {}, {}, {}, skipped_warning(Skipped::dangling_link)};
    if (error) return WalkItem{path, {}, {}, error, {}};
    if (fs::is_directory(target)) {
        if (link && !follow_links_) return std::nullopt;
        return enter(&folder, name, path, link);  // may move `folder`: not used after
    }
    if (fs::is_regular_file(target)) return WalkItem{path, folder.handle, name, {}, {}, true};
    return WalkItem{path, {}, {}, {}, skipped_warning(Skipped::special_file)};
}

std::string skipped_now(const WalkItem&) {
    return skipped_warning(Skipped::special_file);
}

}  // namespace firma
