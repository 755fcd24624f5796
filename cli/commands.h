// The two things firma does. Each returns the exit status and throws
// std::system_error when standard output cannot be written.
#pragma once

#include <vector>

#include "cli/options.h"
#include "sign/file_signer.h"

namespace firma::cli {

// Prints a signature line for every file, in operand order. Files in
// `leave_out` are never signed, nor is the file standard output goes to.
int sign_command(const Options& options, std::vector<FileIdentity> leave_out = {});

// Reads signature lists and checks every file they name.
int check_command(const Options& options);

// The whole program: arguments as the system's bytes (UTF-8 on Windows), and
// the exit status.
int run(int argc, char** argv);

}  // namespace firma::cli
