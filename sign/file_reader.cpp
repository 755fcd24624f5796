#include "sign/file_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <new>
#include <system_error>
#include <utility>

#include "sign/sign_error.h"

namespace firma {
namespace {

constexpr std::size_t kPageSize = 4096;

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

// Waits until a read will not fail with EAGAIN. On a FIFO this also waits for a
// first writer, where read() would report end of file at once.
void wait_readable(int fd, const std::string& name) {
    pollfd request{fd, POLLIN, 0};
    while (::poll(&request, 1, -1) < 0) {
        if (errno != EINTR) fail(errno, name);
    }
}

bool same_version(const struct stat& a, const struct stat& b) noexcept {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

}  // namespace

FileReader::FileReader(const std::string& path, bool regular_files_only, const OpenFolder* folder)
    : fd_(open_for_reading(folder != nullptr ? folder->fd() : AT_FDCWD, path, regular_files_only)), owned_(true), checked_(true), name_(path) {
    try {
        inspect(regular_files_only);
    } catch (...) {
        ::close(fd_);
        throw;
    }
}

FileReader::FileReader(int fd, std::string name, bool whole_file, bool regular_files_only)
    : fd_(fd), owned_(false), checked_(whole_file), name_(std::move(name)) {
    inspect(regular_files_only);
}

FileReader::FileReader(FileReader&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      owned_(std::exchange(other.owned_, false)),
      checked_(other.checked_),
      name_(std::move(other.name_)),
      status_(other.status_),
      consumed_(other.consumed_),
      offset_(other.offset_) {}

// Not retried on EINTR: on Linux the descriptor is released either way.
FileReader::~FileReader() {
    if (owned_) ::close(fd_);
}

void FileReader::inspect(bool regular_files_only) {
    if (::fstat(fd_, &status_) != 0) fail(errno, name_);
    if (S_ISDIR(status_.st_mode)) fail(EISDIR, name_);
    if (regular_files_only && !is_regular()) fail(SignError::not_regular_file, name_);
    checked_ = checked_ && is_regular();
    if (is_regular()) offset_ = ::lseek(fd_, 0, SEEK_CUR);
}

std::span<const unsigned char> FileReader::read(std::span<unsigned char> buffer,
                                                bool accumulator_is_zero) {
    if (accumulator_is_zero && offset_ >= 0) {
        // Jump to the next data; past the last data, to the end.
        off_t next = ::lseek(fd_, offset_, SEEK_DATA);
        if (next < 0 && errno == ENXIO) next = ::lseek(fd_, 0, SEEK_END);
        if (next > offset_) {
            consumed_ += static_cast<std::uint64_t>(next - offset_);
            offset_ = next;
        }
    }
    for (;;) {
        if (S_ISFIFO(status_.st_mode)) wait_readable(fd_, name_);
        const ssize_t count = ::read(fd_, buffer.data(), buffer.size());
        if (count < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                wait_readable(fd_, name_);
                continue;
            }
            fail(errno, name_);
        }
        consumed_ += static_cast<std::uint64_t>(count);
        if (offset_ >= 0) offset_ += count;
        // A file that keeps growing (a log being written) would never end.
        // Files in /proc report size 0 and still have contents: read as streams.
        if (checked_ && size() > 0 && consumed_ > size()) fail(SignError::changed_while_reading, name_);
        return buffer.first(static_cast<std::size_t>(count));
    }
}

void FileReader::finish() const {
    if (!checked_) return;
    struct stat after {};
    if (::fstat(fd_, &after) != 0) fail(errno, name_);
    const bool complete = consumed_ == size() || size() == 0;
    if (!same_version(status_, after) || !complete) fail(SignError::changed_while_reading, name_);
}

PieceBuffer::PieceBuffer(std::size_t size, std::size_t offset)
    : data_(static_cast<unsigned char*>(
          std::aligned_alloc(kPageSize, (size + offset + kPageSize - 1) / kPageSize * kPageSize))),
      offset_(offset),
      size_(size) {
    if (data_ == nullptr) throw std::bad_alloc();
}

PieceBuffer::PieceBuffer(PieceBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), offset_(other.offset_), size_(std::exchange(other.size_, 0)) {}

PieceBuffer::~PieceBuffer() {
    std::free(data_);
}

}  // namespace firma
