// The yardstick for speed: the signature as a straightforward port computes it.
#pragma once

#include <string>

namespace firma::bench {

// Reads the whole file into memory at once, then one nearbyint and one % per byte.
std::string straight_port_sign(const std::string& path);

}  // namespace firma::bench
