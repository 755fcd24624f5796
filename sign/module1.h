// The signature function the window calls.
#pragma once

#include <filesystem>
#include <string>

#include "sign/file_signer.h"

namespace Module1 {

// The signature of the file at `path` (its own copy: the platform's path type,
// UTF-16 on Windows), seven uppercase hexadecimal digits. Throws
// std::system_error naming the path and the reason when it cannot be read;
// never creates or changes the file.
std::string ComputeSign(std::filesystem::path path);

// The same, with progress, cancellation or a regular-files-only rule.
std::string ComputeSign(std::filesystem::path path, const firma::ReadOptions& options);

}  // namespace Module1
