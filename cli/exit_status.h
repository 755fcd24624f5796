// How the exit status reflects output that could not be written.
#pragma once

#include <string_view>
#include <system_error>

namespace firma::cli {

// "firma: TEXT" on standard error. Never throws: a message that cannot be
// written is lost, and finish_output() turns that into exit status 1.
void print_error(std::string_view text);
// "firma: write error: REASON".
void print_write_error(const std::error_code& error);

// Flushes and closes standard output and checks standard error; returns
// `status`, or 1 if any output was lost. A write error is reported unless
// `reported` says it already was.
int finish_output(int status, bool reported = false);

}  // namespace firma::cli
