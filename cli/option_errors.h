// What is wrong with an option, in the words of GNU getopt, whichever getopt the
// system has: firma sets opterr to 0 and says it itself, so the messages are
// the same on every system (mingw-w64's getopt words them its own way and names
// the program by its full path).
#pragma once

#include <getopt.h>

#include <string>
#include <string_view>

namespace firma::cli {

// `argument` is the command-line word getopt was looking at (argv[optind - 1])
// and `bad` getopt's optopt after it returned '?'.
std::string option_error(const option* table, std::string_view shorts, std::string_view argument, int bad);

}  // namespace firma::cli
