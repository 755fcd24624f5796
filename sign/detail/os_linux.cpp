// The reader's file operations on Linux: POSIX calls, and what only Linux
// answers (file system magic numbers, /proc/self/fd).
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <poll.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <system_error>
#include <thread>
#include <utility>

#include "sign/detail/os.h"
#include "sign/file_identity_posix.h"

namespace firma {
namespace detail {
namespace {

[[noreturn]] void fail(int error, const std::string& name) {
    throw std::system_error(error, std::system_category(), name);
}

FileKind kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return FileKind::folder;
    if (S_ISREG(mode)) return FileKind::regular;
    if (S_ISFIFO(mode) || S_ISSOCK(mode) || S_ISCHR(mode)) return FileKind::stream;
    return FileKind::other;
}

// Non-blocking so that opening a FIFO never waits for a writer; O_NOATIME where the
// kernel allows it (only the file's owner may ask), so that signing leaves no trace.
int open_for_reading(int folder, const std::string& path, bool regular_only) {
    if (OsFaults* faults = os_faults()) {
        if (const std::error_code error = faults->open(path)) throw std::system_error(error, path);
    }
    if (regular_only) {
        // Checked before opening: opening some devices has side effects.
        struct stat status {};
        if (::fstatat(folder, path.c_str(), &status, 0) != 0) fail(errno, path);
        check_kind(kind_of(status.st_mode), true, path);
    }
    constexpr int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = ::openat(folder, path.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM) fd = ::openat(folder, path.c_str(), flags);
    if (fd < 0) fail(errno, path);
    return fd;
}

struct stat stat_of(int fd, const std::string& name) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) fail(errno, name);
    return status;
}

// File systems whose files report a size that is not their length: a page
// (sysfs), or 0 (procfs), while they hold something else.
bool sizes_are_lengths(int fd) {
    struct statfs system {};
    if (::fstatfs(fd, &system) != 0) return true;
    switch (static_cast<unsigned long>(system.f_type)) {
        case PROC_SUPER_MAGIC:
        case SYSFS_MAGIC:
        case DEBUGFS_MAGIC:
        case TRACEFS_MAGIC:
        case SECURITYFS_MAGIC:
        case CGROUP_SUPER_MAGIC:
        case CGROUP2_SUPER_MAGIC:
        case PSTOREFS_MAGIC:
        case BPF_FS_MAGIC: return false;
        default: return true;
    }
}

// `sizes`: whether the file system's sizes are lengths, asked once at open.
FileStatus status_from(const struct stat& own, bool sizes, const std::string& name) {
    FileStatus status{kind_of(own.st_mode),
                      !S_ISREG(own.st_mode) || sizes,
                      static_cast<std::uint64_t>(own.st_size),
                      own.st_mtim.tv_sec * 1000000000LL + own.st_mtim.tv_nsec,
                      own.st_ctim.tv_sec * 1000000000LL + own.st_ctim.tv_nsec,
                      identity_of(own)};
    if (OsFaults* faults = os_faults()) faults->status(name, status);
    return status;
}

// Waits until a read will not fail with EAGAIN. On a FIFO this also waits for a
// first writer, where read() would report end of file at once.
void wait_readable(int fd, const std::string& name) {
    pollfd request{fd, POLLIN, 0};
    while (::poll(&request, 1, -1) < 0) {
        if (errno != EINTR) fail(errno, name);
    }
}

}  // namespace

// Nanoseconds from 1970.
std::int64_t seconds_since_1970(std::int64_t modified) {
    constexpr std::int64_t kPerSecond = 1'000'000'000;
    return modified / kPerSecond - (modified % kPerSecond < 0);
}

OsFile::OsFile(const std::filesystem::path& path, bool regular_only, const OpenFolder* folder)
    : file_(open_for_reading(folder != nullptr ? folder->native() : AT_FDCWD, path.native(), regular_only)),
      owned_(true),
      name_(path.native()) {
    try {
        const struct stat own = stat_of(file_, name_);
        at_open_ = status_from(own, sizes_are_lengths(file_), name_);
        const FileStatus& now = at_open_;
        check_kind(now.kind, regular_only, name_);
        pipe_ = S_ISFIFO(own.st_mode);
        if (now.kind == FileKind::regular && now.size_is_length) offset_ = 0;
    } catch (...) {
        ::close(file_);
        if (OsFaults* faults = os_faults()) faults->closed(name_);
        throw;
    }
}

OsFile::OsFile(NativeFile borrowed, const std::string& name, bool regular_only)
    : file_(borrowed), owned_(false), name_(name) {
    const struct stat own = stat_of(file_, name_);
    pipe_ = S_ISFIFO(own.st_mode);
    at_open_ = status_from(own, sizes_are_lengths(file_), name_);
    const FileStatus& now = at_open_;
    check_kind(now.kind, regular_only, name_);
    if (now.kind == FileKind::regular) {
        const off_t at = ::lseek(file_, 0, SEEK_CUR);
        start_ = at > 0 ? static_cast<std::uint64_t>(at) : 0;
        if (now.size_is_length) offset_ = static_cast<std::int64_t>(start_);
    }
}

// Not retried on EINTR: on Linux the descriptor is released either way.
OsFile::~OsFile() {
    if (!owned_) return;
    ::close(file_);
    if (OsFaults* faults = os_faults()) faults->closed(name_);
}

FileStatus OsFile::status() const {
    return status_from(stat_of(file_, name_), at_open_.size_is_length, name_);
}

std::uint64_t OsFile::skip_hole() {
    if (offset_ < 0) return 0;
    // Jump to the next data; past the last data, to the end the size gives.
    // Neither may move backwards: a file can report less than it holds.
    off_t next = ::lseek(file_, offset_, SEEK_DATA);
    if (next < 0) {
        if (errno != ENXIO) return 0;  // holes cannot be found here: the position stays
        const off_t end = stat_of(file_, name_).st_size;
        if (end <= offset_) return 0;
        next = ::lseek(file_, end, SEEK_SET);
    }
    if (next < offset_) {
        if (::lseek(file_, offset_, SEEK_SET) != offset_) fail(errno, name_);
        offset_ = -1;  // the file is not what its size says: read it all
        return 0;
    }
    const auto skipped = static_cast<std::uint64_t>(next - offset_);
    offset_ = next;
    return skipped;
}

std::size_t OsFile::read(std::span<unsigned char> buffer) {
    for (;;) {
        std::size_t wanted = buffer.size();
        ssize_t count = 0;
        if (OsFaults* faults = os_faults()) {
            const auto at = static_cast<std::uint64_t>(std::max<std::int64_t>(offset_, 0));
            if (const std::error_code error = faults->read(name_, at, wanted)) {
                if (error == std::errc::interrupted) continue;
                throw std::system_error(error, name_);
            }
            if (wanted == 0) return 0;
        }
        if (pipe_) wait_readable(file_, name_);
        count = ::read(file_, buffer.data(), wanted);
        if (count < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                wait_readable(file_, name_);
                continue;
            }
            fail(errno, name_);
        }
        if (offset_ >= 0) offset_ += count;
        return static_cast<std::size_t>(count);
    }
}

}  // namespace detail

NativeFile standard_input() noexcept {
    return STDIN_FILENO;
}

NativeFile standard_output() noexcept {
    return STDOUT_FILENO;
}

unsigned detail::available_cores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

std::size_t detail::level2_cache_size() {
    const long bytes = ::sysconf(_SC_LEVEL2_CACHE_SIZE);  // glibc's, from the processor itself
    return bytes > 0 ? static_cast<std::size_t>(bytes) : 0;
}

unsigned detail::files_the_limit_leaves() {
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY) return UINT_MAX;
    // Counting what is open costs a listing, once per batch.
    rlim_t open = 16;
    if (DIR* listing = ::opendir("/proc/self/fd")) {
        open = 0;
        while (const dirent* entry = ::readdir(listing))
            if (entry->d_name[0] != '.') ++open;
        ::closedir(listing);
    }
    const rlim_t left = files.rlim_cur > open ? files.rlim_cur - open : 0;
    return static_cast<unsigned>(std::min<rlim_t>(left, UINT_MAX));
}

}  // namespace firma
