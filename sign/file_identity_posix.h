// A file's identity as POSIX systems give it, for every part of firma that
// asks (the reader, folders, the command line's output file).
#pragma once

#include <sys/stat.h>

#include "sign/file_identity.h"

namespace firma {

inline FileIdentity identity_of(const struct stat& status) noexcept {
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

}  // namespace firma
