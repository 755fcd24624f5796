// Which file a name leads to: the device it is on (on Windows, the volume's
// serial number) and its number there (the inode; the file index). Two names
// with one identity are one file, whatever links or paths led to it.
#pragma once

#include <cstdint>

namespace firma {

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t number = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

}  // namespace firma
