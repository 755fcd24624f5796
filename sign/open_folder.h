// An open folder whose files and subfolders are opened by name within it, so
// that a walk reaches trees of any depth. On POSIX systems it holds the folder
// open (renaming the folders above it cannot redirect what is read); Windows
// opens by whole path, so there it holds the folder's path, and long ones
// open through \\?\.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "sign/file_identity.h"

#if defined(_WIN32)
#include <filesystem>
#endif

namespace firma {

#if defined(_WIN32)
using NativeFolder = std::filesystem::path;
#else
using NativeFolder = int;  // a descriptor
#endif

class OpenFolder {
public:
    // Opens `name` as a folder: within `parent` when given, else as a path (an
    // operand). A symbolic link in its place is followed only when
    // `follow_links`; otherwise it is not a folder (errc::not_a_directory).
    static std::shared_ptr<const OpenFolder> open(const OpenFolder* parent, const std::string& name,
                                                  bool follow_links, std::error_code& error);

    OpenFolder(NativeFolder native, FileIdentity id) noexcept : native_(std::move(native)), id_(id) {}  // takes ownership
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    ~OpenFolder();

    // The names it holds, "." and ".." left out, in no particular order: bytes
    // on POSIX systems, UTF-8 on Windows.
    std::vector<std::string> names(std::error_code& error) const;

    FileIdentity id() const noexcept { return id_; }
    // What the system's calls open names within it through.
    const NativeFolder& native() const noexcept { return native_; }

private:
    NativeFolder native_;
    FileIdentity id_;
};

}  // namespace firma
