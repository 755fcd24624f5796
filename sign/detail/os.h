// What the core asks of the operating system: the few file operations the
// reader needs, and the cores to work on. One implementation per system
// (os_posix.cpp, os_windows.cpp).
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

// What tells one version of a file from another.
struct FileVersion {
    bool regular = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // in the system's own units
    bool operator==(const FileVersion&) const = default;
};

class OsFile {
public:
    // Opens `path` read-only (relative to `folder` when given), never creating it.
    // Folders fail as EISDIR; with `regular_files_only`, anything but a regular
    // file fails as SignError::not_regular_file, without being opened.
    OsFile(const std::filesystem::path& path, bool regular_files_only, const OpenFolder* folder);
    // A file the caller keeps open, from its current position.
    OsFile(NativeFile borrowed, const std::string& name);
    OsFile(OsFile&& other) noexcept;
    OsFile& operator=(OsFile&&) = delete;
    ~OsFile();

    FileVersion version() const;
    // Up to buffer.size() bytes; 0 at the end. Waits for a pipe's writer.
    std::size_t read(std::span<unsigned char> buffer);
    // Jumps over holes of a sparse file at the current position (they read as
    // zeros); returns how many bytes were skipped.
    std::uint64_t skip_hole();

private:
    NativeFile file_;
    bool owned_;
    std::string name_;
    bool pipe_ = false;         // a FIFO or pipe: reads wait for a writer
    std::int64_t offset_ = -1;  // of a regular file, where holes can be found
};

// The number of cores this process may run on.
unsigned available_cores();

}  // namespace firma::detail
