// Runs a program as a user would, with files for its standard streams, and
// reports what it printed, its exit status and its peak memory.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace firma::testing {

struct RunResult {
    int exit_status = -1;  // -1 when killed by a signal
    std::string out;
    std::string err;
    long peak_rss_kib = 0;  // 0 when the system could not say
};

inline const std::string kClosed = "<closed>";

struct RunStreams {
    std::string in;   // empty: the null device
    std::string out;  // empty: captured into RunResult::out
    std::string err;  // empty: captured into RunResult::err; kClosed: closed
    std::string cwd;  // empty: the caller's
    // "NAME=value" settings over the caller's environment; "NAME=" unsets NAME.
    std::vector<std::string> environment;
};

// The caller's environment ("NAME=value" entries) with `settings` applied.
std::vector<std::string> environment_with(const std::vector<std::string>& current,
                                          const std::vector<std::string>& settings);

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Sets a variable of this process's environment, as the C runtime sees it.
void set_environment_variable(const std::string& name, const std::string& value);

// Arguments and paths are UTF-8. Throws std::runtime_error if the program
// cannot be started.
RunResult run_program(const std::vector<std::string>& args, const RunStreams& streams = {});

}  // namespace firma::testing
