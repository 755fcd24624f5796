#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <random>
#include <system_error>

#include "cli/output_file.h"
#include "sign/file_identity_windows.h"
#include "sign/system_errors.h"
#include "sign/utf8.h"

namespace firma::cli {
namespace {

[[noreturn]] void fail() {
    throw std::system_error(last_system_error());
}

// Marks the open file to be deleted when its last handle closes, or clears the mark.
bool delete_on_close(HANDLE file, bool wanted) {
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(wanted)};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

// Windows refuses to replace a file another program holds open as it refuses
// a read-only one ("access denied"); asked for deleting alone, it tells the
// two apart, so that the message says what a read of such a file says.
bool held_open(const std::wstring& path) {
    const DWORD refused = GetLastError();
    const HANDLE file = CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    const bool sharing = file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    SetLastError(refused);
    return refused == ERROR_ACCESS_DENIED && sharing;
}

}  // namespace

struct OutputFile::State {
    std::wstring path;
    std::wstring name;  // of the new file
    HANDLE file = INVALID_HANDLE_VALUE;
    std::optional<FileIdentity> replaced;
};

OutputFile::OutputFile(const std::string& name) : state_(std::make_unique<State>()) {
    State& state = *state_;
    const auto path = path_of_utf8(name);
    if (!path) throw std::system_error(std::make_error_code(std::errc::illegal_byte_sequence));
    state.path = path->native();
    const DWORD attributes = GetFileAttributesW(state.path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        throw std::system_error(std::make_error_code(std::errc::is_a_directory));
    const HANDLE old = CreateFileW(state.path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
    if (old != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION information{};
        if (GetFileInformationByHandle(old, &information))
            state.replaced = identity_of(information);
        CloseHandle(old);
    }
    std::random_device seed;
    for (int attempt = 0; attempt < 100 && state.file == INVALID_HANDLE_VALUE; ++attempt) {
        state.name = state.path + L".firma-" + std::to_wstring(seed() % 1000000000);
        // Shared for deleting, so that it can be renamed while open. Hidden
        // and system meanwhile, as Explorer's own files are: -r and wildcards
        // leave it out, and Explorer does not show it.
        state.file = CreateFileW(state.name.c_str(), GENERIC_WRITE | DELETE | FILE_WRITE_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, nullptr);
        if (state.file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (state.file == INVALID_HANDLE_VALUE) fail();
    // Gone when firma ends, however it ends, unless commit() clears the mark.
    if (!delete_on_close(state.file, true)) fail();
    HANDLE output = INVALID_HANDLE_VALUE;
    if (!DuplicateHandle(GetCurrentProcess(), state.file, GetCurrentProcess(), &output, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        fail();
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(output), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(output);
        throw std::system_error(std::make_error_code(std::errc::too_many_files_open));
    }
    std::fflush(stdout);
    const bool redirected = _dup2(fd, _fileno(stdout)) == 0;
    _close(fd);
    if (!redirected) throw std::system_error(std::make_error_code(std::errc::bad_file_descriptor));
    SetStdHandle(STD_OUTPUT_HANDLE, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stdout))));
}

OutputFile::~OutputFile() {
    if (state_->file != INVALID_HANDLE_VALUE) CloseHandle(state_->file);
}

std::optional<FileIdentity> OutputFile::replaced() const {
    return state_->replaced;
}

void OutputFile::commit() {
    State& state = *state_;
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!FlushFileBuffers(state.file) || !SetFileInformationByHandle(state.file, FileBasicInfo, &basic, sizeof basic) ||
        !delete_on_close(state.file, false))
        fail();
    if (!MoveFileExW(state.name.c_str(), state.path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const std::error_code error = held_open(state.path) ? system_error_code(ERROR_SHARING_VIOLATION)
                                                            : last_system_error();
        delete_on_close(state.file, true);
        throw std::system_error(error);
    }
}

}  // namespace firma::cli
