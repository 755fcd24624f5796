// Parsing the command line. Options follow the GNU conventions (getopt_long):
// bundled short options, abbreviated long ones, "--" ends the options.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace firma::cli {

enum class Action { sign, help, version };

struct Options {
    Action action = Action::sign;
    std::vector<std::string> files;  // empty: standard input
};

// Parses argv. On a usage error prints the reason and a hint to stderr and
// returns nothing.
std::optional<Options> parse_options(int argc, char** argv);

void print_help();
void print_version();

}  // namespace firma::cli
