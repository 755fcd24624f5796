// Signing the operands and printing one line per file.
#pragma once

#include <string>
#include <vector>

namespace firma::cli {

// Signs each file in order ("-" is standard input) and prints "SIGNATURE  NAME".
// A file that fails is reported on stderr and the rest still run.
// Returns the exit status: 0 when every file was signed, 1 otherwise.
// Throws std::system_error when standard output cannot be written.
int sign_files(const std::vector<std::string>& files);

}  // namespace firma::cli
