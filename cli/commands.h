// The two things firma does. Each returns the exit status and throws
// std::system_error when standard output cannot be written.
#pragma once

#include "cli/options.h"

namespace firma::cli {

// Prints a signature line for every file, in operand order.
int sign_command(const Options& options);

// Reads signature lists and checks every file they name.
int check_command(const Options& options);

}  // namespace firma::cli
