// Signing files: streamed through one fixed buffer, so any size signs in bounded
// memory. Files are only ever opened for reading; nothing is created or changed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "sign/file_identity.h"
#include "sign/native_file.h"
#include "sign/read_options.h"

namespace firma {

// The identity of the regular file `file` is open on (standard output
// redirected to a file, say); nothing for anything else (a terminal, a pipe).
std::optional<FileIdentity> regular_file_identity(NativeFile file) noexcept;

// Opens `path` read-only, signs the whole file and closes it on every path.
// Throws std::system_error naming the path and the system's reason.
std::uint32_t sign_file(const std::filesystem::path& path, const ReadOptions& options = {});

}  // namespace firma
