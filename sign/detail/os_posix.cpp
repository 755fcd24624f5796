// The reader's file operations on POSIX systems.
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <thread>
#include <utility>

#include "sign/detail/os.h"
#include "sign/sign_error.h"

namespace firma {
namespace detail {
namespace {

[[noreturn]] void fail(int error, const std::string& name) {
    throw std::system_error(error, std::system_category(), name);
}

[[noreturn]] void fail(SignError error, const std::string& name) {
    throw std::system_error(make_error_code(error), name);
}

// Non-blocking so that opening a FIFO never waits for a writer; O_NOATIME where the
// kernel allows it (only the file's owner may ask), so that signing leaves no trace.
int open_for_reading(int folder, const std::string& path, bool regular_files_only) {
    if (regular_files_only) {
        // Checked before opening: opening some devices has side effects.
        struct stat status {};
        if (::fstatat(folder, path.c_str(), &status, 0) != 0) fail(errno, path);
        if (S_ISDIR(status.st_mode)) fail(EISDIR, path);
        if (!S_ISREG(status.st_mode)) fail(SignError::not_regular_file, path);
    }
    constexpr int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = ::openat(folder, path.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM) fd = ::openat(folder, path.c_str(), flags);
    if (fd < 0) fail(errno, path);
    return fd;
}

struct stat status_of(int fd, const std::string& name) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) fail(errno, name);
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

OsFile::OsFile(const std::filesystem::path& path, bool regular_files_only, const OpenFolder* folder)
    : file_(open_for_reading(folder != nullptr ? folder->fd() : AT_FDCWD, path.native(), regular_files_only)),
      owned_(true),
      name_(path.native()) {
    try {
        const struct stat status = status_of(file_, name_);
        if (S_ISDIR(status.st_mode)) fail(EISDIR, name_);
        if (regular_files_only && !S_ISREG(status.st_mode)) fail(SignError::not_regular_file, name_);
        if (S_ISREG(status.st_mode)) offset_ = ::lseek(file_, 0, SEEK_CUR);
        pipe_ = S_ISFIFO(status.st_mode);
    } catch (...) {
        ::close(file_);
        throw;
    }
}

OsFile::OsFile(NativeFile borrowed, const std::string& name) : file_(borrowed), owned_(false), name_(name) {
    const struct stat status = status_of(file_, name_);
    if (S_ISDIR(status.st_mode)) fail(EISDIR, name_);
    if (S_ISREG(status.st_mode)) offset_ = ::lseek(file_, 0, SEEK_CUR);
    pipe_ = S_ISFIFO(status.st_mode);
}

OsFile::OsFile(OsFile&& other) noexcept
    : file_(std::exchange(other.file_, -1)),
      owned_(std::exchange(other.owned_, false)),
      name_(std::move(other.name_)),
      pipe_(other.pipe_),
      offset_(other.offset_) {}

// Not retried on EINTR: on Linux the descriptor is released either way.
OsFile::~OsFile() {
    if (owned_) ::close(file_);
}

FileVersion OsFile::version() const {
    const struct stat status = status_of(file_, name_);
    return {S_ISREG(status.st_mode), static_cast<std::uint64_t>(status.st_size),
            status.st_mtim.tv_sec * 1000000000LL + status.st_mtim.tv_nsec};
}

std::uint64_t OsFile::skip_hole() {
    if (offset_ < 0) return 0;
    // Jump to the next data; past the last data, to the end.
    off_t next = ::lseek(file_, offset_, SEEK_DATA);
    if (next < 0 && errno == ENXIO) next = ::lseek(file_, 0, SEEK_END);
    if (next <= offset_) return 0;
    const auto skipped = static_cast<std::uint64_t>(next - offset_);
    offset_ = next;
    return skipped;
}

std::size_t OsFile::read(std::span<unsigned char> buffer) {
    for (;;) {
        if (pipe_) wait_readable(file_, name_);
        const ssize_t count = ::read(file_, buffer.data(), buffer.size());
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

OpenFolder::~OpenFolder() {
    ::close(fd_);
}

unsigned detail::available_cores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace firma
