// What the core asks of the operating system: the few file operations the
// reader needs, and the cores to work on. One implementation per system
// (os_linux.cpp, os_windows.cpp), with what they share in os_shared.cpp.
// Every failure throws std::system_error naming the file, with the system's
// reason as the error code (std::errc values where one matches).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "sign/native_file.h"
#include "sign/open_folder.h"

namespace firma::detail {

enum class FileKind {
    folder,
    regular,
    stream,  // a FIFO, pipe, socket or character device: reads may wait, or never end
    other,   // a block device: read to its end
};

// What the system says of an open file.
struct FileStatus {
    FileKind kind = FileKind::other;
    // False where sizes are not byte counts (/proc, /sys): such files are read
    // to their end, whatever size they report.
    bool size_is_length = true;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // in the system's own units
    // The status-change time: it moves on every write, and when the
    // modification time is set back, so a rewrite that hides cannot hide here.
    std::int64_t changed = 0;
    FileIdentity identity;
};

// A FileStatus's modification time in seconds since 1970 (UTC), rounded down.
std::int64_t seconds_since_1970(std::int64_t modified);

// Whether the file is still the same version of the same file.
bool same_version(const FileStatus& before, const FileStatus& now);

// The one rule for what may be read, before a file is opened (opening some
// devices has side effects) and again once it is (it may have been replaced
// meanwhile): never a folder (EISDIR); with `regular_only`, nothing but
// a regular file (SignError::not_regular_file).
void check_kind(FileKind kind, bool regular_only, const std::string& name);

class OsFile {
public:
    // Opens `path` read-only (relative to `folder` when given), never creating it.
    // Folders fail as EISDIR; with `regular_only`, anything but a regular
    // file fails as SignError::not_regular_file, without being opened.
    OsFile(const std::filesystem::path& path, bool regular_only, const OpenFolder* folder);
    // A file the caller keeps open, from its current position.
    OsFile(NativeFile borrowed, const std::string& name, bool regular_only);
    OsFile(OsFile&& other) noexcept;
    OsFile& operator=(OsFile&&) = delete;
    ~OsFile();

    // What the system says of the file now, and what it said when it was opened.
    FileStatus status() const;
    const FileStatus& status_at_open() const noexcept { return at_open_; }
    // Where reading started: past the bytes a borrowed file had already read.
    std::uint64_t start() const noexcept { return start_; }
    // Up to buffer.size() bytes; 0 at the end. Waits for a pipe's writer.
    std::size_t read(std::span<unsigned char> buffer);
    // Jumps over holes of a sparse file at the current position (they read as
    // zeros); returns how many bytes were skipped. Never moves backwards, and
    // skips nothing in a file whose size is not its length.
    std::uint64_t skip_hole();

private:
    NativeFile file_;
    bool owned_;
    std::string name_;
    bool pipe_ = false;         // a FIFO or pipe: reads wait for a writer
    std::int64_t offset_ = -1;  // of a regular file whose size is its length, where holes can be found
    std::uint64_t start_ = 0;
    FileStatus at_open_;
};

// The number of cores this process may run on.
unsigned available_cores();

// The size in bytes of one core's level-2 cache; 0 where the system does not say.
std::size_t level2_cache_size();

// How many more files this process may open, roughly; a large number where
// the system sets no limit of its own.
unsigned files_the_limit_leaves();

// Where tests step in between the reader and the system, to make faults and
// races happen when they choose. Each call is made at the point its name says;
// the defaults leave the system's answer as it is.
class OsFaults {
public:
    virtual ~OsFaults() = default;
    // Before a file is opened: an error to fail with instead.
    virtual std::error_code open(const std::string& name);
    // After an opened file is closed.
    virtual void closed(const std::string& name);
    // What the system said of an open file, to be changed at will.
    virtual void status(const std::string& name, FileStatus& status);
    // Before a read of `wanted` bytes at `offset` bytes into the file: an error
    // to fail with (std::errc::interrupted is retried, as the system's is), or
    // fewer bytes wanted (0 reads as the end).
    virtual std::error_code read(const std::string& name, std::uint64_t offset, std::size_t& wanted);
    // Before `size` bytes of reading buffer are allocated: false fails it.
    virtual bool allocate(std::size_t size);
};

// Tests only: `faults` is asked from now on, on every thread; nullptr ends it.
void set_os_faults(OsFaults* faults) noexcept;
OsFaults* os_faults() noexcept;

}  // namespace firma::detail
