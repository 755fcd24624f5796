#include <fmt/core.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "cli/options.h"
#include "cli/sign_files.h"

namespace {

// A signature that never reached its reader is a failure: output errors that
// only show when the buffer is flushed must still change the exit status.
int close_stdout(int status) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0 || std::fclose(stdout) != 0) {
        std::fprintf(stderr, "firma: write error: %s\n", std::strerror(errno));
        return 1;
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = firma::cli::parse_options(argc, argv);
    if (!options) return 1;
    switch (options->action) {
        case firma::cli::Action::help: firma::cli::print_help(); return close_stdout(0);
        case firma::cli::Action::version: firma::cli::print_version(); return close_stdout(0);
        case firma::cli::Action::sign: break;
    }
    const auto& files = options->files;
    try {
        const int status =
            firma::cli::sign_files(files.empty() ? std::vector<std::string>{"-"} : files);
        return close_stdout(status);
    } catch (const std::system_error& error) {
        fmt::print(stderr, "firma: write error: {}\n", error.code().message());
        return 1;
    }
}
