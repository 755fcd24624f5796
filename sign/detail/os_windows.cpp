// The reader's file operations on Windows: wide paths (long ones through the
// \\?\ prefix), sharing with programs that have the file open, pipes and
// consoles read to their end.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "sign/detail/os.h"
#include "sign/file_identity_windows.h"
#include "sign/sign_error.h"
#include "sign/system_errors.h"
#include "sign/utf8.h"
#include "sign/windows_paths.h"

namespace firma {
namespace detail {
namespace {

[[noreturn]] void fail(DWORD error, const std::string& name) {
    throw std::system_error(system_error_code(error), name);
}

[[noreturn]] void fail(SignError error, const std::string& name) {
    throw std::system_error(make_error_code(error), name);
}

BY_HANDLE_FILE_INFORMATION information_of(HANDLE file, const std::string& name) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file, &information)) fail(GetLastError(), name);
    return information;
}

std::int64_t time_of(const FILETIME& time) {
    return static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
}

}  // namespace

// FILETIME counts 100 ns from 1601.
std::int64_t seconds_since_1970(std::int64_t modified) {
    constexpr std::int64_t kTicksPerSecond = 10'000'000, kFrom1601To1970 = 11'644'473'600;
    const std::int64_t seconds = modified / kTicksPerSecond - (modified % kTicksPerSecond < 0);
    return seconds - kFrom1601To1970;
}

OsFile::OsFile(const std::filesystem::path& path, bool regular_only, const OpenFolder* folder)
    : file_(INVALID_HANDLE_VALUE), owned_(true), name_(utf8_of_path(path)) {
    if (OsFaults* faults = os_faults()) {
        if (const std::error_code error = faults->open(name_)) throw std::system_error(error, name_);
    }
    const std::filesystem::path whole = folder != nullptr ? folder->native() / path : path;
    const std::wstring wide = long_form(whole);
    // Checked before opening: folders cannot be read, and opening some devices
    // (a serial port, say) has side effects.
    if (names_a_device(whole)) fail(SignError::not_regular_file, name_);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) fail(GetLastError(), name_);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) check_kind(FileKind::folder, regular_only, name_);
    // Read-only, sharing everything: other programs may have the file open, even
    // for writing; a changing file is caught by the version check instead.
    file_ = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) fail(GetLastError(), name_);
    try {
        at_open_ = status();
        check_kind(at_open_.kind, regular_only, name_);
    } catch (...) {
        CloseHandle(file_);
        if (OsFaults* faults = os_faults()) faults->closed(name_);
        throw;
    }
    const DWORD type = GetFileType(file_);
    pipe_ = type == FILE_TYPE_PIPE;
    if (type == FILE_TYPE_DISK) offset_ = 0;
}

OsFile::OsFile(NativeFile borrowed, const std::string& name, bool regular_only)
    : file_(borrowed), owned_(false), name_(name) {
    if (file_ == nullptr || file_ == INVALID_HANDLE_VALUE) fail(ERROR_INVALID_HANDLE, name_);
    const DWORD type = GetFileType(file_);
    pipe_ = type == FILE_TYPE_PIPE;
    at_open_ = status();
    check_kind(at_open_.kind, regular_only, name_);
    LARGE_INTEGER at{};
    if (type == FILE_TYPE_DISK && SetFilePointerEx(file_, LARGE_INTEGER{}, &at, FILE_CURRENT)) {
        start_ = static_cast<std::uint64_t>(std::max<LONGLONG>(at.QuadPart, 0));
        offset_ = static_cast<std::int64_t>(start_);
    }
}

OsFile::~OsFile() {
    if (!owned_ || file_ == INVALID_HANDLE_VALUE) return;
    CloseHandle(file_);
    if (OsFaults* faults = os_faults()) faults->closed(name_);
}

FileStatus OsFile::status() const {
    FileStatus status;
    const DWORD type = GetFileType(file_);
    if (type == FILE_TYPE_PIPE || type == FILE_TYPE_CHAR) status.kind = FileKind::stream;
    if (type == FILE_TYPE_DISK) {
        const BY_HANDLE_FILE_INFORMATION information = information_of(file_, name_);
        // The change time is not in the information above; NTFS keeps it, FAT
        // does not (it reads as 0 there, every time).
        FILE_BASIC_INFO basic{};
        if (!GetFileInformationByHandleEx(file_, FileBasicInfo, &basic, sizeof basic)) fail(GetLastError(), name_);
        status.kind = FileKind::regular;
        status.size = (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
        status.modified = time_of(information.ftLastWriteTime);
        status.changed = basic.ChangeTime.QuadPart;
        status.identity = identity_of(information);
    }
    if (OsFaults* faults = os_faults()) faults->status(name_, status);
    return status;
}

// Holes are read: finding them takes a control call per range, and sparse
// files are rare here.
std::uint64_t OsFile::skip_hole() {
    return 0;
}

std::size_t OsFile::read(std::span<unsigned char> buffer) {
    DWORD count = 0;
    std::size_t asked = std::min<std::size_t>(buffer.size(), 1u << 30);
    if (OsFaults* faults = os_faults()) {
        const auto at = static_cast<std::uint64_t>(std::max<std::int64_t>(offset_, 0));
        for (;;) {
            const std::error_code error = faults->read(name_, at, asked);
            if (error == std::errc::interrupted) continue;
            if (error) throw std::system_error(error, name_);
            break;
        }
        if (asked == 0) return 0;
    }
    const auto wanted = static_cast<DWORD>(asked);
    if (!ReadFile(file_, buffer.data(), wanted, &count, nullptr)) {
        const DWORD error = GetLastError();
        if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;  // the writer is done
        fail(error, name_);
    }
    if (offset_ >= 0) offset_ += count;
    return count;
}

}  // namespace detail

NativeFile standard_input() noexcept {
    return GetStdHandle(STD_INPUT_HANDLE);
}

NativeFile standard_output() noexcept {
    return GetStdHandle(STD_OUTPUT_HANDLE);
}

// The cores of the process's affinity mask (within its processor group).
unsigned detail::available_cores() {
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0) {
        unsigned count = 0;
        for (; process != 0; process &= process - 1) ++count;
        return count;
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

std::size_t detail::level2_cache_size() {
    DWORD bytes = 0;
    GetLogicalProcessorInformation(nullptr, &bytes);
    std::vector<SYSTEM_LOGICAL_PROCESSOR_INFORMATION> entries(bytes / sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION));
    if (entries.empty() || !GetLogicalProcessorInformation(entries.data(), &bytes)) return 0;
    for (const auto& entry : entries)
        if (entry.Relationship == RelationCache && entry.Cache.Level == 2 && entry.Cache.Type != CacheInstruction)
            return entry.Cache.Size;
    return 0;
}

// Windows sets no limit on a process's open files short of its memory.
unsigned detail::files_the_limit_leaves() {
    return UINT_MAX;
}

}  // namespace firma
