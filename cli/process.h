// What the command line sets up before any work and checks at the very end:
// the standard streams, the open-files limit, and how the exit status reflects
// output that could not be written.
#pragma once

#include <string_view>

namespace firma::cli {

// A closed standard stream gets a stand-in that fails like a closed one, so that
// no file firma opens can take its number (and be read as input, or receive
// messages). Raises the open-files limit as far as allowed: a deep walk holds
// one descriptor per folder level.
void prepare_process();

// "firma: TEXT" on standard error. Never throws: a message that cannot be
// written is lost, and finish_output() turns that into exit status 1.
void print_error(std::string_view text);

// Flushes and closes standard output and checks standard error; returns
// `status`, or 1 if any output was lost. A write error is reported unless
// `reported` says it already was.
int finish_output(int status, bool reported = false);

}  // namespace firma::cli
