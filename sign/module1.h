// The signature function the window calls.
#pragma once

#include <string>

namespace Module1 {

// The signature of the file at `path`, seven uppercase hexadecimal digits.
// Throws std::system_error naming the path and the reason when it cannot be read;
// never creates or changes the file.
std::string ComputeSign(std::string path);

}  // namespace Module1
