// The yardstick for speed: the signature computed a byte at a time over the
// whole file read into memory at once, as the simplest program would.
#pragma once

#include <string>

namespace firma::bench {

// Reads the whole file into memory at once, then one nearbyint and one % per byte.
std::string byte_at_a_time_sign(const std::string& path);

}  // namespace firma::bench
