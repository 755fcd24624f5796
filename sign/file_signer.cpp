#include "sign/file_signer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <new>
#include <system_error>

#include "sign/accumulator.h"
#include "sign/sign_error.h"

namespace firma {
namespace {

// Large enough that syscalls cost nothing next to the fold, small enough to stay in cache.
constexpr std::size_t kReadSize = 256 * 1024;
constexpr std::size_t kPageSize = 4096;

[[noreturn]] void fail(int error, const std::string& name) {
    throw std::system_error(error, std::system_category(), name);
}

class Descriptor {
public:
    explicit Descriptor(int fd) noexcept : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    // Not retried on EINTR: on Linux the descriptor is released either way.
    ~Descriptor() { ::close(fd_); }
    int get() const noexcept { return fd_; }

private:
    int fd_;
};

struct FreeDeleter {
    void operator()(void* memory) const noexcept { std::free(memory); }
};

std::unique_ptr<unsigned char, FreeDeleter> allocate_buffer() {
    void* memory = std::aligned_alloc(kPageSize, kReadSize);
    if (memory == nullptr) throw std::bad_alloc();
    return std::unique_ptr<unsigned char, FreeDeleter>(static_cast<unsigned char*>(memory));
}

// Non-blocking so that opening a FIFO never waits for a writer; O_NOATIME where the
// kernel allows it (only the file's owner may ask), so that signing leaves no trace.
int open_for_reading(const std::string& path) {
    constexpr int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = ::open(path.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM) fd = ::open(path.c_str(), flags);
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

// While the accumulator is 0, a hole (which reads as zeros) leaves it at 0: jump
// over it. Returns the number of bytes skipped; `offset` follows the descriptor.
std::uint64_t skip_hole(int fd, off_t& offset) {
    const off_t data = ::lseek(fd, offset, SEEK_DATA);
    off_t next = data;
    if (data < 0) {
        if (errno != ENXIO) return 0;  // holes not reported here: read them
        next = ::lseek(fd, 0, SEEK_END);
        if (next < 0) return 0;
    }
    if (next <= offset) return 0;
    const auto skipped = static_cast<std::uint64_t>(next - offset);
    offset = next;
    return skipped;
}

bool same_version(const struct stat& a, const struct stat& b) noexcept {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

[[noreturn]] void fail(SignError error, const std::string& name) {
    throw std::system_error(make_error_code(error), name);
}

// Files in /proc report size 0 and still have contents; those are read as streams.
bool past_size(const struct stat& before, std::uint64_t consumed) noexcept {
    return before.st_size > 0 && consumed > static_cast<std::uint64_t>(before.st_size);
}

void check_unchanged(int fd, const struct stat& before, std::uint64_t consumed,
                     const std::string& name) {
    struct stat after {};
    if (::fstat(fd, &after) != 0) fail(errno, name);
    const auto size = static_cast<std::uint64_t>(before.st_size);
    const bool complete = consumed == size || size == 0;
    if (!same_version(before, after) || !complete) fail(SignError::changed_while_reading, name);
}

}  // namespace

std::uint32_t sign_descriptor(int fd, const std::string& name, bool whole_file,
                              const ReadOptions& options) {
    struct stat before {};
    if (::fstat(fd, &before) != 0) fail(errno, name);
    if (S_ISDIR(before.st_mode)) fail(EISDIR, name);
    const bool regular = S_ISREG(before.st_mode);
    if (options.regular_files_only && !regular) fail(SignError::not_regular_file, name);
    const bool fifo = S_ISFIFO(before.st_mode);
    const bool checked = whole_file && regular;

    const auto buffer = allocate_buffer();
    Accumulator accumulator;
    std::uint64_t consumed = 0;
    off_t offset = regular ? ::lseek(fd, 0, SEEK_CUR) : 0;
    const bool can_skip_holes = regular && offset >= 0;

    for (;;) {
        if (options.stop.stop_requested()) fail(SignError::cancelled, name);
        if (can_skip_holes && accumulator.is_zero()) consumed += skip_hole(fd, offset);
        if (fifo) wait_readable(fd, name);
        const ssize_t count = ::read(fd, buffer.get(), kReadSize);
        if (count < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                wait_readable(fd, name);
                continue;
            }
            fail(errno, name);
        }
        if (count == 0) break;
        accumulator.update({buffer.get(), static_cast<std::size_t>(count)});
        consumed += static_cast<std::uint64_t>(count);
        offset += count;
        // A file that keeps growing (a log being written) would never end.
        if (checked && past_size(before, consumed)) fail(SignError::changed_while_reading, name);
        if (options.on_progress) options.on_progress(consumed);
    }
    if (checked) check_unchanged(fd, before, consumed, name);
    return accumulator.value();
}

std::uint32_t sign_file(const std::string& path, const ReadOptions& options) {
    if (options.regular_files_only) {
        struct stat status {};
        if (::stat(path.c_str(), &status) != 0) fail(errno, path);
        if (S_ISDIR(status.st_mode)) fail(EISDIR, path);
        if (!S_ISREG(status.st_mode)) fail(SignError::not_regular_file, path);
    }
    const Descriptor file(open_for_reading(path));
    return sign_descriptor(file.get(), path, true, options);
}

}  // namespace firma
