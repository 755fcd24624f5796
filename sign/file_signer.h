// Signing files: streamed through one fixed buffer, so any size signs in bounded
// memory. Files are only ever opened for reading; nothing is created or changed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>

#include "sign/file_identity.h"
#include "sign/native_file.h"

namespace firma {

struct FoldChain;

// The identity of the regular file `file` is open on (standard output
// redirected to a file, say); nothing for anything else (a terminal, a pipe).
std::optional<FileIdentity> regular_file_identity(NativeFile file) noexcept;

struct ReadOptions {
    // Called after each piece with the bytes consumed so far, and the file's
    // size from where reading started (0 where no size is known: a pipe).
    std::function<void(std::uint64_t consumed, std::uint64_t total)> on_progress;
    // Checked before each piece: a stop request ends the read with SignError::cancelled.
    std::stop_token stop;
    // Refuse FIFOs, devices and sockets (SignError::not_regular_file) without
    // opening them: reading those may never end, and opening some has side effects.
    bool regular_only = false;
    // The chain to fold with (benchmarks compare them); null: the fastest.
    const FoldChain* chain = nullptr;
};

// Opens `path` read-only, signs the whole file and closes it on every path.
// Throws std::system_error naming the path and the system's reason.
std::uint32_t sign_file(const std::filesystem::path& path, const ReadOptions& options = {});

}  // namespace firma
