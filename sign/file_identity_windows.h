// A file's identity as Windows gives it, for every part of firma that asks
// (the reader, folders, the command line's output file and its checks).
#pragma once

#include <windows.h>

#include "sign/file_identity.h"

namespace firma {

inline FileIdentity identity_of(const BY_HANDLE_FILE_INFORMATION& information) noexcept {
    return {information.dwVolumeSerialNumber,
            (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

}  // namespace firma
