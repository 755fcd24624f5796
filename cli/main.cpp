#include <fmt/core.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "cli/commands.h"
#include "cli/options.h"

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
    std::setlocale(LC_ALL, "");  // which characters of a name are printable
    const auto options = firma::cli::parse_options(argc, argv);
    if (!options) return 1;
    try {
        switch (options->action) {
            case firma::cli::Action::help: firma::cli::print_help(); break;
            case firma::cli::Action::version: firma::cli::print_version(); break;
            case firma::cli::Action::sign: return close_stdout(firma::cli::sign_command(*options));
            case firma::cli::Action::check: return close_stdout(firma::cli::check_command(*options));
        }
        return close_stdout(0);
    } catch (const std::system_error& error) {
        fmt::print(stderr, "firma: write error: {}\n", error.code().message());
        return 1;
    }
}
