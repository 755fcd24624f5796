// Parsing the command line. Options follow the GNU conventions (getopt_long):
// bundled short options, abbreviated long ones, "--" ends the options. Usage
// errors read as coreutils' digest tools word them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace firma::cli {

enum class Action { sign, check, help, version };
// What check mode prints; the last of --status, --warn and --quiet wins.
enum class Verbosity { status_only, quiet, normal, warn };

struct Options {
    Action action = Action::sign;
    std::vector<std::string> files;  // empty: standard input
    bool binary = false;             // '*' before names
    bool tag = false;                // FIRMA (NAME) = SIGNATURE
    bool digest = false;             // SIGNATURE SIZE DIGEST  NAME
    bool zero = false;               // lines end with NUL, names unescaped
    bool recursive = false;
    bool follow_links = false;       // -L: follow links to folders while walking
    bool protected_files = false;    // with -r, also files Windows marks hidden and system
    bool progress = false;
    std::optional<std::string> output;  // -o: write the lines to this file instead
    unsigned jobs = 0;               // 0: one per core
    Verbosity verbosity = Verbosity::normal;
    bool strict = false;
    bool ignore_missing = false;
    bool audit = false;              // -c: also the files the list's folder holds and the list lacks
};

// Parses argv. On a usage error prints the reason and a hint to stderr and
// returns nothing.
std::optional<Options> parse_options(int argc, char** argv);

void print_help();
// For a double-click in Explorer: what firma is and where the window is.
void print_console_note();
void print_version();

}  // namespace firma::cli
